#include "reports/ScanSummary.h"

#include "platform/Text.h"
#include "reports/LogTimestamp.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace scanbrook::reports {

namespace {

constexpr std::string_view kRemediatorPrefix = "XProtectRemediator";
constexpr std::size_t kReportTimeCharacters = 23;
constexpr std::string_view kStatusMessageKey = "status_message";
constexpr std::string_view kNoSender = "(no sender)";
constexpr std::string_view kNoTime = "(no time)";
constexpr double kHoursPerDay = 24.0;

std::string periodWords(std::int64_t clampedDays) {
    return clampedDays <= 1 ? std::string("the last day")
                            : "the last " + std::to_string(clampedDays) + " days";
}

std::size_t classIndex(ScanClass scanClass) {
    return static_cast<std::size_t>(scanClass);
}

std::string countedWords(std::size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + " " + std::string(count == 1 ? one : many);
}

std::string_view shownName(std::string_view name) {
    return name.empty() ? kNoSender : name;
}

std::string eventTimeWords(const std::optional<std::string>& timestamp) {
    return timestamp ? std::string(reportTime(*timestamp)) : std::string("an unknown date");
}

std::string staleWords(double hours) {
    const auto days = static_cast<std::int64_t>(std::floor(hours / kHoursPerDay));
    const std::string age = days >= 1
                                ? countedWords(static_cast<std::size_t>(days), "day", "days")
                                : countedWords(static_cast<std::size_t>(hours), "hour", "hours");
    return "Last scan " + age + " ago \u2014 XProtect Remediator may have stopped";
}

/// Text in columns: each column as wide as its widest cell, numbers to the right.
class Columns {
public:
    void row(std::vector<std::string> cells) { rows.push_back(std::move(cells)); }
    std::string text(const std::vector<bool>& rightAligned) const {
        std::vector<std::size_t> widths;
        for (const auto& cells : rows) {
            widths.resize(std::max(widths.size(), cells.size()));
            for (std::size_t i = 0; i < cells.size(); ++i) {
                widths[i] = std::max(widths[i], platform::characterCount(cells[i]));
            }
        }
        std::string out;
        for (const auto& cells : rows) {
            std::string line;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                const std::size_t pad = widths[i] - platform::characterCount(cells[i]);
                const bool right = i < rightAligned.size() && rightAligned[i];
                if (i != 0) {
                    line += "  ";
                }
                if (right) {
                    line.append(pad, ' ');
                }
                line += cells[i];
                if (!right && i + 1 < cells.size()) {
                    line.append(pad, ' ');
                }
            }
            out += line;
            out += '\n';
        }
        return out;
    }

private:
    std::vector<std::vector<std::string>> rows;
};

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
    const EventOutcome outcome = classifyEvent(entry.eventMessage, warning);
    Scanner& scanner = found->second;
    scanner.lines.push_back(runs);
    ++scanner.runs;
    scanner.warnings += warning ? 1 : 0;
    ++scanner.counts[classIndex(outcome.scanClass)];
    scanner.lastClass = outcome.scanClass;
    scanner.gravest = std::max(scanner.gravest, outcome.scanClass);
    // Assigned into the strings already there, so a month of entries allocates nothing new.
    scanner.hasLastRun = entry.timestamp.has_value();
    scanner.lastRun.assign(entry.timestamp.value_or(std::string_view()));
    scanner.hasLastMessage = entry.eventMessage.has_value();
    scanner.lastMessage.assign(entry.eventMessage.value_or(std::string_view()));
    scanner.lastWarning = warning;

    ++runs;
    warnings += warning ? 1 : 0;
    ++counts[classIndex(outcome.scanClass)];
    hasNewest = entry.timestamp.has_value();
    newest.assign(entry.timestamp.value_or(std::string_view()));
    // Every element's time counts: the last one may have none, or a store's event may come
    // out of order.
    if (entry.timestamp) {
        const auto when = parseLogTimestamp(*entry.timestamp);
        if (when && (!newestScan || *when > *newestScan)) {
            newestScan = when;
        }
    }
    if (outcome.scanClass == ScanClass::ThreatFound ||
        outcome.scanClass == ScanClass::ThreatRemediated) {
        addFindings(name, entry.timestamp, outcome);
    }
}

void ScanSummaryBuilder::addFindings(std::string_view scanner,
                                     const std::optional<std::string_view>& timestamp,
                                     const EventOutcome& outcome) {
    const std::optional<std::string> time =
        timestamp ? std::optional<std::string>(*timestamp) : std::nullopt;
    const std::string firstPath = outcome.paths.empty() ? std::string() : outcome.paths.front();
    Finding newestOne{std::string(scanner), time, outcome.scanClass, firstPath};
    (outcome.scanClass == ScanClass::ThreatFound ? newestThreat : newestRemoval) =
        std::move(newestOne);
    for (const std::string& path : outcome.paths) {
        const auto same = std::find_if(findings.begin(), findings.end(), [&](const Finding& f) {
            return f.path == path && f.scanClass == outcome.scanClass && f.scanner == scanner;
        });
        if (same != findings.end()) {
            same->timestamp = time;
        } else if (findings.size() < kMaxFindings) {
            findings.push_back({std::string(scanner), time, outcome.scanClass, path});
        } else {
            ++findingsLeftOut;
        }
    }
}

ScanSummary ScanSummaryBuilder::finish(const CheckSummary& check,
                                       const SummaryMoment& moment) const {
    ScanSummary summary;
    summary.staleHours = moment.staleHours;
    switch (check.outcome) {
    case CheckOutcome::ToolFailed:
    case CheckOutcome::NoArray:
        summary.verdict = Verdict::LogFailed;
        summary.status = SummaryStatus::LogFailed;
        return summary;
    case CheckOutcome::NoneFound:
    case CheckOutcome::Lines:
        break;
    }
    if (runs == 0) {
        summary.verdict = Verdict::NoScans;
        summary.status = SummaryStatus::NoScans;
        return summary;
    }
    summary.verdict = warnings > 0 ? Verdict::Warnings : Verdict::Clean;
    summary.runs = runs;
    summary.warnings = warnings;
    summary.counts = counts;
    summary.findings = findings;
    summary.findingsLeftOut = findingsLeftOut;
    summary.newestThreat = newestThreat;
    summary.newestRemoval = newestRemoval;
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
        out.counts = scanner.counts;
        out.lastClass = scanner.lastClass;
        out.gravest = scanner.gravest;
        out.reportLines = scanner.lines;
        if (scanner.hasLastRun) {
            out.lastRun = scanner.lastRun;
        }
        if (scanner.hasLastMessage) {
            out.lastWarning = scanner.lastWarning;
            out.lastStatus = platform::objectStringMember(scanner.lastMessage, kStatusMessageKey);
        }
    }
    if (newestScan && moment.now) {
        const auto age = *moment.now - *newestScan;
        summary.hoursSinceLastScan = std::chrono::duration<double, std::ratio<3600>>(age).count();
        summary.stale = age > std::chrono::hours(moment.staleHours);
    }
    if (counts[classIndex(ScanClass::ThreatFound)] > 0) {
        summary.status = SummaryStatus::ThreatFound;
    } else if (counts[classIndex(ScanClass::ThreatRemediated)] > 0) {
        summary.status = SummaryStatus::ThreatRemediated;
    } else if (summary.stale) {
        summary.status = SummaryStatus::Stale;
    } else if (counts[classIndex(ScanClass::ScanProblem)] > 0) {
        summary.status = SummaryStatus::ScanProblems;
    } else {
        summary.status = SummaryStatus::Clean;
    }
    return summary;
}

ScanSummary summarizeScans(const platform::CommandResult& result, const SummaryMoment& moment) {
    const CheckTexts texts = checkTexts(kMinPeriodDays);
    std::string report = texts.header;
    ScanSummaryBuilder builder;
    return builder.finish(buildCheckReport(report, texts, result, &builder), moment);
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

std::string_view statusName(SummaryStatus status) {
    switch (status) {
    case SummaryStatus::LogFailed:
        return "log_failed";
    case SummaryStatus::ThreatFound:
        return "threat_found";
    case SummaryStatus::ThreatRemediated:
        return "threat_remediated";
    case SummaryStatus::NoScans:
        return "no_scans";
    case SummaryStatus::Stale:
        return "stale";
    case SummaryStatus::ScanProblems:
        return "scan_problems";
    case SummaryStatus::Clean:
        return "clean";
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
    switch (summary.status) {
    case SummaryStatus::LogFailed:
        return "The log could not be read";
    case SummaryStatus::NoScans:
        return "No scans found in " + periodWords(clampedDays) +
               " \u2014 XProtect Remediator may not be running";
    case SummaryStatus::Clean: {
        std::string line =
            "All " + countedWords(summary.scanners.size(), "scanner", "scanners") + " clean";
        if (summary.newestEvent) {
            line += " \u00B7 newest scan ";
            line += reportTime(*summary.newestEvent);
        }
        return line;
    }
    case SummaryStatus::ThreatFound:
    case SummaryStatus::ThreatRemediated:
    case SummaryStatus::Stale:
    case SummaryStatus::ScanProblems:
        break;
    }
    // Everything that holds, the gravest first.
    std::vector<std::string> parts;
    if (summary.newestThreat) {
        const Finding& threat = *summary.newestThreat;
        parts.push_back("Threat found and not removed by " +
                        std::string(shownName(threat.scanner)) + " on " +
                        eventTimeWords(threat.timestamp) + ": " + threat.path);
    }
    if (summary.newestRemoval) {
        const Finding& removal = *summary.newestRemoval;
        parts.push_back(std::string(shownName(removal.scanner)) + " removed a threat on " +
                        eventTimeWords(removal.timestamp));
    }
    if (summary.stale && summary.hoursSinceLastScan) {
        parts.push_back(staleWords(*summary.hoursSinceLastScan));
    }
    if (const std::size_t problems = summary.counts[classIndex(ScanClass::ScanProblem)]) {
        parts.push_back(countedWords(problems, "scan", "scans") + " could not finish");
    }
    std::string line;
    for (const std::string& part : parts) {
        line += line.empty() ? "" : "; ";
        line += part;
    }
    return line;
}

std::string summaryText(const ScanSummary& summary, std::int64_t clampedDays) {
    std::string text = verdictLine(summary, clampedDays);
    text += '\n';
    if (summary.scanners.empty()) {
        return text;
    }
    Columns table;
    table.row({"Scanner", "Runs", "Clean", "Problems", "Removed", "Found", "Last run",
               "Last result", "Last status"});
    const auto countCells = [](const ClassCounts& counts) {
        return std::vector<std::string>{
            std::to_string(counts[classIndex(ScanClass::Clean)]),
            std::to_string(counts[classIndex(ScanClass::ScanProblem)]),
            std::to_string(counts[classIndex(ScanClass::ThreatRemediated)]),
            std::to_string(counts[classIndex(ScanClass::ThreatFound)])};
    };
    for (const ScannerSummary& scanner : summary.scanners) {
        std::vector<std::string> cells{std::string(shownName(scanner.name)),
                                       std::to_string(scanner.runs)};
        for (std::string& cell : countCells(scanner.counts)) {
            cells.push_back(std::move(cell));
        }
        cells.emplace_back(scanner.lastRun ? reportTime(*scanner.lastRun) : kNoTime);
        cells.emplace_back(className(scanner.lastClass));
        cells.push_back(scanner.lastStatus.value_or("-"));
        table.row(std::move(cells));
    }
    std::vector<std::string> totals{"All", std::to_string(summary.runs)};
    for (std::string& cell : countCells(summary.counts)) {
        totals.push_back(std::move(cell));
    }
    table.row(std::move(totals));
    text += table.text({false, true, true, true, true, true, false, false, false});
    if (!summary.findings.empty()) {
        text += "Findings:\n";
        Columns found;
        for (const Finding& finding : summary.findings) {
            found.row({"", eventTimeWords(finding.timestamp),
                       std::string(shownName(finding.scanner)),
                       std::string(className(finding.scanClass)), finding.path});
        }
        text += found.text({});
        if (summary.findingsLeftOut > 0) {
            text += "  and " + std::to_string(summary.findingsLeftOut) + " more\n";
        }
    }
    return text;
}

} // namespace scanbrook::reports
