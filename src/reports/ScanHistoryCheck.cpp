#include "reports/ScanHistoryCheck.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "reports/EventCounter.h"
#include "reports/LogCommands.h"

#include <utility>

namespace scanbrook::reports {

CheckSummary runLogQuery(const CheckTexts& texts, std::string& report, ReportLineObserver* observer,
                         const EntryCountObserver& onCount) {
    platform::OutputObserver onOutput;
    EventCounter counter;
    std::size_t counted = 0;
    std::uint64_t reported = 0;
    auto due = std::chrono::steady_clock::now() + kEntryCountInterval;
    if (onCount) {
        // The bytes are counted only when a figure is due, so a check that ends within the
        // first interval counts nothing, and a longer one at most four times a second.
        onOutput = [&](std::string_view outputSoFar) {
            const auto now = std::chrono::steady_clock::now();
            if (now < due) {
                return;
            }
            counter.feed(outputSoFar.substr(counted));
            counted = outputSoFar.size();
            if (counter.count() != reported) {
                reported = counter.count();
                due = now + kEntryCountInterval;
                onCount(reported);
            }
        };
    }
    platform::CommandResult result = platform::runCommand(
        platform::platformPath(mac::kLogTool), checkQueryArguments(texts.periodArgument), onOutput);
    return buildCheckReport(report, texts, std::move(result), observer);
}

} // namespace scanbrook::reports
