// check and summary: the scan-history check of the window, for scripts. They print exactly what
// the window's console would show and say through their exit status how things went.
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "ledger/LedgerEvents.h"
#include "platform/Clock.h"
#include "platform/Terminal.h"
#include "reports/CheckReport.h"
#include "reports/ReportJson.h"
#include "reports/ReportTexts.h"
#include "reports/ScanHistoryCheck.h"
#include "reports/ScanSummary.h"

#include <string>

namespace scanbrook::cli {

namespace {

/// The log query, with its running entry count on one rewritten line of standard error while a
/// person watches it; the line is blanked again before the result is printed, and a script that
/// reads standard error never sees it.
reports::CheckSummary queryWithProgress(const reports::CheckTexts& texts, std::string& report,
                                        reports::ReportLineObserver* observer = nullptr) {
    if (!platform::standardErrorIsTerminal()) {
        return reports::runLogQuery(texts, report, observer);
    }
    std::size_t shown = 0;
    const reports::CheckSummary summary =
        reports::runLogQuery(texts, report, observer, [&shown](std::uint64_t entries) {
            // Counts only grow, so each text covers the one before it.
            const std::string text = reports::readingProgressText(entries);
            shown = text.size();
            platform::writeStandardError("\r" + text);
        });
    if (shown != 0) {
        platform::writeStandardError("\r" + std::string(shown, ' ') + "\r");
    }
    return summary;
}

} // namespace

int verdictStatus(reports::Verdict verdict) {
    switch (verdict) {
    case reports::Verdict::Clean:
        return kExitSuccess;
    case reports::Verdict::Warnings:
        return kExitWarning;
    case reports::Verdict::LogFailed:
        return kExitToolFailed;
    case reports::Verdict::NoScans:
        return kExitNoScans;
    }
    return kExitToolFailed;
}

int checkStatus(const reports::CheckSummary& check) {
    switch (check.outcome) {
    case reports::CheckOutcome::ToolFailed:
    case reports::CheckOutcome::NoArray:
        return kExitToolFailed;
    case reports::CheckOutcome::Lines:
    case reports::CheckOutcome::NoneFound:
        break;
    }
    return check.anyWarning ? kExitWarning : kExitSuccess;
}

int check(const Request& request) {
    // Like the window, the report is dated with the moment the check starts.
    const platform::TimePoint runDate = platform::SystemClock().now();
    const reports::CheckTexts texts = reports::checkTexts(request.days);
    std::string report = texts.header;
    // The ledger's rows come from the report's own parse.
    ledger::EventCollector rows;
    if (request.json) {
        reports::CheckEventsJson events;
        ledger::ObserverPair observers(&events, &rows);
        const reports::CheckSummary check = queryWithProgress(texts, report, &observers);
        const int status =
            deliver(reports::checkJson({request.days, runDate}, check, report, events),
                    request.output, checkStatus(check));
        recordInLedger(request, rows, check, runDate);
        return status;
    }
    const reports::CheckSummary check = queryWithProgress(texts, report, &rows);
    report += reports::closingLine(runDate);
    report += '\n';
    const int status = deliver(report, request.output, checkStatus(check));
    recordInLedger(request, rows, check, runDate);
    return status;
}

int summary(const Request& request) {
    if (request.recorded) {
        return recordedSummary(request);
    }
    const platform::TimePoint runDate = platform::SystemClock().now();
    const reports::CheckTexts texts = reports::checkTexts(request.days);
    std::string report = texts.header;
    reports::ScanSummaryBuilder builder;
    ledger::EventCollector rows;
    ledger::ObserverPair observers(&builder, &rows);
    const reports::CheckSummary check = queryWithProgress(texts, report, &observers);
    const reports::ScanSummary scans = builder.finish(check);

    const std::string text =
        request.json ? reports::summaryJson({request.days, runDate}, scans, check, report)
                     : reports::summaryText(scans, request.days);
    const int status = deliver(text, request.output, verdictStatus(scans.verdict));
    recordInLedger(request, rows, check, runDate);
    return status;
}

} // namespace scanbrook::cli
