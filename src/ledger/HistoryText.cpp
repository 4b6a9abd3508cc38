#include "ledger/HistoryText.h"

#include "reports/ReportTexts.h"

#include <algorithm>

namespace scanbrook::ledger {

std::string historyReport(std::int64_t days, const PeriodResult& period, std::string_view lines,
                          platform::TimePoint runDate) {
    std::string report;
    if (period.status != Status::Ok) {
        report = period.problem;
    } else {
        const reports::CheckTexts texts = reports::historyTexts(days);
        report = texts.header;
        if (period.reachesBeforeHistory) {
            // After the header's own line, before its empty one.
            report.insert(report.size() - 1,
                          period.sinceMicros ? "The ledger holds history since " +
                                                   sinceText(*period.sinceMicros) + ".\n"
                                             : std::string("The ledger holds no history yet.\n"));
        }
        for (const auto& [from, to] : period.gaps) {
            report.insert(report.size() - 1, "No read of the log covers " + sinceText(from) +
                                                 " to " + sinceText(to) + ".\n");
        }
        if (period.check.lines == 0) {
            report += texts.noneFound;
        } else {
            report += lines;
        }
    }
    report += reports::closingLine(runDate);
    report += '\n';
    return report;
}

std::optional<std::string> historyVerdictLine(const reports::ScanSummary& scans,
                                              const PeriodResult& period) {
    if (scans.verdict != reports::Verdict::NoScans || !period.reachesBeforeHistory ||
        !period.sinceMicros) {
        return std::nullopt;
    }
    return "No scans found since " + sinceText(*period.sinceMicros) + ", when history begins";
}

std::string ledgerReachNote(std::optional<std::int64_t> sinceMicros,
                            std::optional<std::int64_t> oldestCheckedMicros, std::int64_t days,
                            platform::TimePoint readAt) {
    if (!sinceMicros) {
        return {};
    }
    std::string note = "history kept since " + sinceText(*sinceMicros);
    constexpr std::int64_t kHour = 3600LL * 1000 * 1000;
    const std::int64_t now = microsOf(readAt);
    const std::int64_t periodStart = now - days * 24 * kHour;
    // A log that holds events to within a quarter of the period (and at least half a day) of
    // its start holds all that matters; a shorter reach is the log's own limit.
    const std::int64_t slack = std::max(days * 6 * kHour, 12 * kHour);
    const std::int64_t oldest = oldestCheckedMicros.value_or(now);
    if (oldest - periodStart > slack && *sinceMicros < oldest - kHour) {
        note += oldestCheckedMicros ? "; the log holds scans only since " + sinceText(oldest)
                                    : std::string("; the log holds no scans of the period");
        note += "; History (\u2318Y) has older ones";
    }
    return note;
}

} // namespace scanbrook::ledger
