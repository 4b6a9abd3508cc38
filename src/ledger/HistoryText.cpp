#include "ledger/HistoryText.h"

#include "reports/ReportTexts.h"

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

} // namespace scanbrook::ledger
