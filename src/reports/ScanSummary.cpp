#include "reports/ScanSummary.h"

#include "platform/Text.h"

namespace scanbrook::reports {

namespace {

constexpr std::string_view kRemediatorPrefix = "XProtectRemediator";
constexpr std::size_t kReportTimeCharacters = 23;
constexpr std::string_view kStatusMessageKey = "status_message";

std::string periodWords(std::int64_t clampedDays) {
    return clampedDays <= 1 ? std::string("the last day")
                            : "the last " + std::to_string(clampedDays) + " days";
}

} // namespace

std::string_view scannerName(std::optional<std::string_view> senderImagePath) {
    if (!senderImagePath) {
        return {};
    }
    // npos + 1 is 0: a path without "/" is its own last piece.
    std::string_view name = senderImagePath->substr(senderImagePath->rfind('/') + 1);
    if (name.starts_with(kRemediatorPrefix)) {
        name.remove_prefix(kRemediatorPrefix.size());
    }
    return name;
}

std::string_view reportTime(std::string_view timestamp) {
    return platform::firstCharacters(timestamp, kReportTimeCharacters);
}

void ScanSummaryBuilder::reportLine(const platform::LogEntry& entry, bool warning) {
    const std::string_view name = scannerName(entry.senderImagePath);
    auto found = scanners.find(name);
    if (found == scanners.end()) {
        found = scanners.emplace(std::string(name), Scanner{}).first;
    }
    Scanner& scanner = found->second;
    ++scanner.runs;
    scanner.warnings += warning ? 1 : 0;
    // Assigned into the strings already there, so a month of entries allocates nothing new.
    scanner.hasLastRun = entry.timestamp.has_value();
    scanner.lastRun.assign(entry.timestamp.value_or(std::string_view()));
    scanner.hasLastMessage = entry.eventMessage.has_value();
    scanner.lastMessage.assign(entry.eventMessage.value_or(std::string_view()));
    scanner.lastWarning = warning;

    ++runs;
    warnings += warning ? 1 : 0;
    hasNewest = entry.timestamp.has_value();
    newest.assign(entry.timestamp.value_or(std::string_view()));
}

ScanSummary ScanSummaryBuilder::finish(const CheckSummary& check) const {
    ScanSummary summary;
    switch (check.outcome) {
    case CheckOutcome::ToolFailed:
    case CheckOutcome::NoArray:
        summary.verdict = Verdict::LogFailed;
        return summary;
    case CheckOutcome::NoneFound:
    case CheckOutcome::Lines:
        break;
    }
    if (runs == 0) {
        summary.verdict = Verdict::NoScans;
        return summary;
    }
    summary.verdict = warnings > 0 ? Verdict::Warnings : Verdict::Clean;
    summary.runs = runs;
    summary.warnings = warnings;
    if (hasNewest) {
        summary.newestEvent = newest;
    }
    summary.scanners.reserve(scanners.size());
    // std::string orders by unsigned bytes, which is the UTF-8 byte order.
    for (const auto& [name, scanner] : scanners) {
        ScannerSummary& out = summary.scanners.emplace_back();
        out.name = name;
        out.runs = scanner.runs;
        out.warnings = scanner.warnings;
        if (scanner.hasLastRun) {
            out.lastRun = scanner.lastRun;
        }
        if (scanner.hasLastMessage) {
            out.lastWarning = scanner.lastWarning;
            out.lastStatus = platform::objectStringMember(scanner.lastMessage, kStatusMessageKey);
        }
    }
    return summary;
}

ScanSummary summarizeScans(const platform::CommandResult& result) {
    const CheckTexts texts = checkTexts(kMinPeriodDays);
    std::string report = texts.header;
    ScanSummaryBuilder builder;
    return builder.finish(buildCheckReport(report, texts, result, &builder));
}

std::string_view verdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Clean:
        return "clean";
    case Verdict::Warnings:
        return "warnings";
    case Verdict::NoScans:
        return "no_scans";
    case Verdict::LogFailed:
        return "log_failed";
    }
    return "log_failed";
}

std::optional<std::string_view> resultName(const std::optional<bool>& warning) {
    if (!warning) {
        return std::nullopt;
    }
    return *warning ? std::string_view("warning") : std::string_view("clean");
}

std::string verdictLine(const ScanSummary& summary, std::int64_t clampedDays) {
    switch (summary.verdict) {
    case Verdict::Clean: {
        std::string line = "All " + std::to_string(summary.scanners.size()) + " scanners clean";
        if (summary.newestEvent) {
            line += " \u00B7 newest scan ";
            line += reportTime(*summary.newestEvent);
        }
        return line;
    }
    case Verdict::Warnings:
        return std::to_string(summary.warnings) + " warning(s) in " + periodWords(clampedDays);
    case Verdict::NoScans:
        return "No scans found in " + periodWords(clampedDays) +
               " \u2014 XProtect Remediator may not be running";
    case Verdict::LogFailed:
        break;
    }
    return "The log could not be read";
}

std::string summaryText(const ScanSummary& summary, std::int64_t clampedDays) {
    std::string text = verdictLine(summary, clampedDays);
    text += '\n';
    for (const ScannerSummary& scanner : summary.scanners) {
        text += scanner.name.empty() ? std::string_view("(no sender)") : scanner.name;
        text += "  runs " + std::to_string(scanner.runs);
        text += "  last ";
        text += scanner.lastRun ? reportTime(*scanner.lastRun) : std::string_view("(no time)");
        text += "  ";
        text += resultName(scanner.lastWarning).value_or("(no message)");
        text += "  warnings " + std::to_string(scanner.warnings);
        if (scanner.lastStatus) {
            text += "  status ";
            text += *scanner.lastStatus;
        }
        text += '\n';
    }
    return text;
}

} // namespace scanbrook::reports
