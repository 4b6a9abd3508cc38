#include "ledger/Recording.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "reports/LogCommands.h"
#include "reports/ReportJson.h"
#include "reports/ReportTexts.h"

namespace scanbrook::ledger {

namespace {

constexpr std::int64_t kMicrosPerSecond = 1'000'000;
constexpr std::int64_t kMicrosPerDay = 86'400 * kMicrosPerSecond;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

RecordSpan recordSpan(const LedgerState& state, platform::TimePoint now) {
    if (state.newestMicros &&
        *state.newestMicros >= microsOf(now) - kFirstReadDays * kMicrosPerDay) {
        const std::int64_t seconds =
            floorDiv(*state.newestMicros, kMicrosPerSecond) - kOverlapSeconds;
        const std::string start = "@" + std::to_string(seconds);
        return {reports::recordQueryArguments(start), "start " + start, seconds * kMicrosPerSecond};
    }
    const std::string days = std::to_string(kFirstReadDays) + "d";
    return {reports::checkQueryArguments(days), "last " + days,
            microsOf(now) - kFirstReadDays * kMicrosPerDay};
}

ReadRecord readRecordOf(const reports::CheckSummary& check, std::string span,
                        platform::TimePoint readAt) {
    ReadRecord read;
    read.readAt = readAt;
    read.span = std::move(span);
    read.toolStatus = check.toolStatus;
    read.outcome = std::string(reports::outcomeName(check.outcome));
    read.eventsSeen = static_cast<std::int64_t>(check.lines);
    return read;
}

WriteResult recordCheck(const std::string& path, const EventCollector& rows,
                        const reports::CheckSummary& check, std::int64_t days,
                        platform::TimePoint readAt, const WriteOptions& options) {
    ReadRecord read = readRecordOf(check, "last " + std::to_string(days) + "d", readAt);
    read.coversFromMicros = microsOf(readAt) - days * kMicrosPerDay;
    return recordRows(path, rows.rows(), read, readAt, options);
}

RecordResult recordFromLog(const std::string& path, platform::TimePoint now,
                           const WriteOptions& options) {
    RecordResult result;
    const LedgerState state = ledgerState(path);
    if (state.status == Status::Newer || state.status == Status::Busy) {
        result.write.status = state.status;
        result.write.problem = state.problem;
        return result;
    }
    // A damaged ledger reads as empty here; the write moves it aside and starts anew.
    const RecordSpan span = recordSpan(state, now);
    platform::CommandResult output =
        platform::runCommand(platform::platformPath(mac::kLogTool), span.arguments);
    const reports::CheckTexts texts = reports::checkTexts(kFirstReadDays);
    std::string report = texts.header;
    EventCollector rows;
    result.check = reports::buildCheckReport(report, texts, std::move(output), &rows);
    result.logRead = result.check.outcome == reports::CheckOutcome::Lines ||
                     result.check.outcome == reports::CheckOutcome::NoneFound;
    if (result.check.outcome == reports::CheckOutcome::ToolFailed) {
        result.logProblem = report;
    } else if (!result.logRead) {
        result.logProblem = "The log tool's output was not a JSON array.";
    }
    ReadRecord read = readRecordOf(result.check, span.span, now);
    read.coversFromMicros = span.coversFromMicros;
    result.write = recordRows(path, rows.rows(), read, now, options);
    return result;
}

std::string recordedText(const WriteResult& write) {
    std::string text = "Recorded " + std::to_string(write.newEvents) + " new scan event" +
                       (write.newEvents == 1 ? "" : "s") + "; the ledger holds " +
                       std::to_string(write.heldEvents);
    if (write.sinceMicros) {
        text += " since " + sinceText(*write.sinceMicros);
    }
    return text;
}

} // namespace scanbrook::ledger
