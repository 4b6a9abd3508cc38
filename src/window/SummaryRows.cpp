#include "window/SummaryRows.h"

#include "reports/ReportTexts.h"

namespace scanbrook {

std::vector<platform::SummaryRow> summaryRows(const reports::ScanSummary& summary) {
    std::vector<platform::SummaryRow> rows;
    rows.reserve(summary.scanners.size());
    for (const reports::ScannerSummary& scanner : summary.scanners) {
        rows.push_back({
            .name = scanner.name,
            .runs = static_cast<std::int64_t>(scanner.runs),
            .lastRun = std::string(scanner.lastRun ? reports::reportTime(*scanner.lastRun) : ""),
            .lastResult = std::string(reports::resultName(scanner.lastWarning).value_or("")),
        });
    }
    return rows;
}

} // namespace scanbrook
