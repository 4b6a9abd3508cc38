#include "reports/ScanHistoryCheck.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "reports/EventCounter.h"
#include "reports/LogCommands.h"

#include <utility>

namespace scanbrook::reports {

CheckSummary runLogQuery(const CheckTexts& texts, std::string& report,
                         const EntryCountObserver& onCount) {
    platform::OutputObserver onOutput;
    EventCounter counter;
    std::uint64_t reported = 0;
    auto lastCall = std::chrono::steady_clock::now();
    if (onCount) {
        onOutput = [&](std::string_view piece) {
            counter.feed(piece);
            if (counter.count() == reported) {
                return;
            }
            const auto now = std::chrono::steady_clock::now();
            if (now - lastCall >= kEntryCountInterval) {
                reported = counter.count();
                lastCall = now;
                onCount(reported);
            }
        };
    }
    platform::CommandResult result = platform::runCommand(
        platform::platformPath(mac::kLogTool), checkQueryArguments(texts.periodArgument), onOutput);
    return buildCheckReport(report, texts, std::move(result));
}

} // namespace scanbrook::reports
