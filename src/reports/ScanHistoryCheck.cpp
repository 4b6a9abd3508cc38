#include "reports/ScanHistoryCheck.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "reports/LogCommands.h"

#include <utility>

namespace scanbrook::reports {

CheckSummary runLogQuery(const CheckTexts& texts, std::string& report,
                         ReportLineObserver* observer) {
    platform::CommandResult result = platform::runCommand(
        platform::platformPath(mac::kLogTool), checkQueryArguments(texts.periodArgument));
    return buildCheckReport(report, texts, std::move(result), observer);
}

} // namespace scanbrook::reports
