#include "reports/ScanHistoryCheck.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "reports/LogCommands.h"

namespace scanbrook::reports {

CheckSummary runLogQuery(const CheckTexts& texts, std::string& report) {
    const platform::CommandResult result = platform::runCommand(
        platform::platformPath(mac::kLogTool), checkQueryArguments(texts.periodArgument));
    return buildCheckReport(report, texts, result);
}

} // namespace scanbrook::reports
