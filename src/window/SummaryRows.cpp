#include "window/SummaryRows.h"

#include "reports/ReportTexts.h"

namespace scanbrook {

namespace {

platform::SummaryTone toneOf(reports::SummaryStatus status) {
    switch (status) {
    case reports::SummaryStatus::Clean:
        return platform::SummaryTone::Plain;
    case reports::SummaryStatus::ThreatFound:
        return platform::SummaryTone::Alarm;
    case reports::SummaryStatus::LogFailed:
    case reports::SummaryStatus::ThreatRemediated:
    case reports::SummaryStatus::NoScans:
    case reports::SummaryStatus::Stale:
    case reports::SummaryStatus::ScanProblems:
        break;
    }
    return platform::SummaryTone::Caution;
}

} // namespace

platform::SummaryDisplay summaryDisplay(const reports::ScanSummary& summary,
                                        const protection::ProtectionStatus* protection,
                                        std::int64_t days) {
    platform::SummaryDisplay display;
    display.verdictLine = reports::verdictLine(summary, days);
    display.tone = toneOf(summary.status);
    display.rows.reserve(summary.scanners.size());
    for (const reports::ScannerSummary& scanner : summary.scanners) {
        display.rows.push_back({
            .name = scanner.name,
            .runs = static_cast<std::int64_t>(scanner.runs),
            .lastRun = std::string(scanner.lastRun ? reports::reportTime(*scanner.lastRun) : ""),
            .lastResult = std::string(reports::className(scanner.lastClass)),
            .warnings = static_cast<std::int64_t>(scanner.warnings),
            .status = std::string(reports::className(scanner.gravest)),
            .gravity = static_cast<int>(scanner.gravest),
        });
    }
    if (protection != nullptr) {
        display.protectionLines = protection::protectionLines(*protection);
    }
    return display;
}

} // namespace scanbrook
