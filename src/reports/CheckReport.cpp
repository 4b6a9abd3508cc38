#include "reports/CheckReport.h"

#include "platform/LargePages.h"
#include "platform/Text.h"

namespace scanbrook::reports {

namespace {

/// Characters of "timestamp" that begin a line: date, time of day and milliseconds.
constexpr std::size_t kTimestampCharacters = 23;
/// A sender name of up to this many characters is shown as it is.
constexpr std::size_t kLongestWholeSenderName = 22;
/// A longer one loses this many leading characters (the common "XProtectRemediator" prefix)…
constexpr std::size_t kSenderPrefixCharacters = 18;
/// …and is shown in a column of this many.
constexpr std::size_t kSenderColumnCharacters = 14;

constexpr std::string_view kNoThreatMarker = "NoThreatDetected";
constexpr std::string_view kStatusCodeKey = "status_code\":";
/// What follows kStatusCodeKey in "status_code\":20" and in "status_code\":0,".
constexpr std::string_view kStatusTwentyRest = "20";
constexpr std::string_view kStatusZeroRest = "0,";

void appendSenderName(std::string& out, std::string_view path) {
    // npos + 1 is 0: a path without "/" is its own last piece.
    const std::string_view name = path.substr(path.rfind('/') + 1);
    if (platform::dropCharacters(name, kLongestWholeSenderName).empty()) {
        out += name;
        return;
    }
    const std::string_view shown = platform::firstCharacters(
        platform::dropCharacters(name, kSenderPrefixCharacters), kSenderColumnCharacters);
    out += shown;
    out.append(kSenderColumnCharacters - platform::characterCount(shown), ' ');
}

class ReportWriter final : public platform::LogEntryVisitor {
public:
    /// `parsedOutput`, when given, is the output being parsed, released at the first visit.
    ReportWriter(std::string& reportText, std::size_t toolOutputSize, std::string* parsedOutput,
                 ReportLineObserver* lineObserver)
        : report(reportText), outputSize(toolOutputSize), releasable(parsedOutput),
          observer(lineObserver) {}

    void visit(const platform::LogEntry& entry) override {
        if (elements++ == 0) {
            // The parse is over: the entries live in the parser now.
            if (releasable != nullptr) {
                std::string().swap(*releasable);
            }
            // A line is never longer than the JSON of its element plus three bytes, and a real
            // entry carries many members that are not shown, so the output's size is enough
            // for the report in one allocation; the slack leaves room for the closing line.
            const std::size_t capacity = report.size() + outputSize + kClosingLineSlack;
            if (report.capacity() < capacity) {
                std::string reserved;
                reserved.reserve(capacity);
                // Advised before the header is copied in, so that the report is written into
                // large pages from its start.
                if (capacity >= platform::kLargePageWorthwhile) {
                    platform::adviseLargePages(reserved.data(), reserved.capacity());
                }
                reserved.assign(report);
                report.swap(reserved);
            }
        }
        if (!entry.isObject) {
            return;
        }
        const bool warning = appendReportLine(report, entry);
        anyWarning = anyWarning || warning;
        ++lines;
        if (observer != nullptr) {
            observer->reportLine(entry, warning);
        }
    }

    static constexpr std::size_t kClosingLineSlack = 64;
    std::string& report;
    const std::size_t outputSize;
    std::string* const releasable;
    ReportLineObserver* const observer;
    std::size_t elements = 0;
    std::size_t lines = 0;
    bool anyWarning = false;
};

/// `parsedOutput`: the result's own output, when it may be released once parsed.
CheckSummary build(std::string& report, const CheckTexts& texts,
                   const platform::CommandResult& result, std::string* parsedOutput,
                   ReportLineObserver* observer) {
    if (result.ending != platform::CommandResult::Ending::Exited || result.status != 0) {
        // The output of a failed tool is never read.
        report = checkErrorLine(result.status);
        if (!result.started()) {
            report += '\n';
            report += result.startFailureText();
        }
        const int signalBase = 128;
        return {CheckOutcome::ToolFailed, 0, false,
                result.ending == platform::CommandResult::Ending::Signalled
                    ? signalBase + result.status
                    : result.status};
    }
    // The parser reads ahead past the end of the bytes. The runner's buffer leaves room for
    // that; a copy of a result may not, and then gets a padded copy of its own.
    std::string_view output = result.output;
    std::string paddedCopy;
    if (result.output.capacity() - result.output.size() < platform::kOutputPadding) {
        paddedCopy.reserve(result.output.size() + platform::kOutputPadding);
        paddedCopy.assign(result.output);
        output = paddedCopy;
        if (parsedOutput != nullptr) {
            std::string().swap(*parsedOutput);
            parsedOutput = &paddedCopy;
        }
    }
    ReportWriter writer(report, output.size(), parsedOutput, observer);
    if (platform::visitLogEntries(output, writer) != platform::LogJsonResult::Array) {
        return {CheckOutcome::NoArray, 0, false};
    }
    if (writer.elements == 0) {
        report = texts.noneFound;
        return {CheckOutcome::NoneFound, 0, false};
    }
    return {CheckOutcome::Lines, writer.lines, writer.anyWarning};
}

} // namespace

bool hasCleanScanMarker(std::string_view message) {
    if (message.find(kNoThreatMarker) != std::string_view::npos) {
        return true;
    }
    // The other two markers share their start: one search finds the candidates of both.
    for (std::size_t at = message.find(kStatusCodeKey); at != std::string_view::npos;
         at = message.find(kStatusCodeKey, at + 1)) {
        const std::string_view rest = message.substr(at + kStatusCodeKey.size());
        if (rest.starts_with(kStatusTwentyRest) || rest.starts_with(kStatusZeroRest)) {
            return true;
        }
    }
    return false;
}

bool appendReportLine(std::string& out, const platform::LogEntry& entry) {
    if (!entry.isObject) {
        return false;
    }
    if (entry.timestamp) {
        out += platform::firstCharacters(*entry.timestamp, kTimestampCharacters);
    }
    out += "  ";
    if (entry.senderImagePath) {
        appendSenderName(out, *entry.senderImagePath);
    }
    bool warning = false;
    if (entry.eventMessage) {
        warning = !hasCleanScanMarker(*entry.eventMessage);
        out += warning ? kWarningMarker : kCleanMarker;
        out += *entry.eventMessage;
    }
    out += '\n';
    return warning;
}

CheckSummary buildCheckReport(std::string& report, const CheckTexts& texts,
                              const platform::CommandResult& result, ReportLineObserver* observer) {
    return build(report, texts, result, nullptr, observer);
}

CheckSummary buildCheckReport(std::string& report, const CheckTexts& texts,
                              platform::CommandResult&& result, ReportLineObserver* observer) {
    return build(report, texts, result, &result.output, observer);
}

} // namespace scanbrook::reports
