// check and summary: the scan-history check of the window, for scripts. They print exactly what
// the window's console would show and say through their exit status how things went.
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "ledger/LedgerEvents.h"
#include "platform/Clock.h"
#include "platform/Terminal.h"
#include "protection/ProtectionStatus.h"
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

/// A script that reads only standard error learns why the log gave no report; the report itself
/// on standard output keeps its bytes.
void explainLogFailure(const reports::CheckSummary& check, std::string_view report) {
    switch (check.outcome) {
    case reports::CheckOutcome::ToolFailed:
        complain("the log could not be read: " + oneLine(report));
        break;
    case reports::CheckOutcome::NoArray:
        complain("the log could not be read: the log tool's output is no JSON array of entries");
        break;
    case reports::CheckOutcome::Lines:
    case reports::CheckOutcome::NoneFound:
        break;
    }
}

} // namespace

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

int summaryStatus(reports::SummaryStatus status) {
    switch (status) {
    case reports::SummaryStatus::Clean:
        return kExitSuccess;
    case reports::SummaryStatus::ThreatRemediated:
    case reports::SummaryStatus::ScanProblems:
    case reports::SummaryStatus::Stale:
        return kExitWarning;
    case reports::SummaryStatus::LogFailed:
        return kExitToolFailed;
    case reports::SummaryStatus::NoScans:
        return kExitNoScans;
    case reports::SummaryStatus::ThreatFound:
        return kExitThreatFound;
    }
    return kExitToolFailed;
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
        explainLogFailure(check, report);
        const reports::DocumentHeader header{.periodDays = request.days,
                                             .scannedAt = runDate,
                                             .remediatorVersion =
                                                 protection::installedRemediatorVersion()};
        const int status = deliver(reports::checkJson(header, check, report, events),
                                   request.output, checkStatus(check));
        recordInLedger(request, rows, check, runDate);
        return status;
    }
    const reports::CheckSummary check = queryWithProgress(texts, report, &rows);
    explainLogFailure(check, report);
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
    // Staleness is measured at the moment the summary is made, whatever the period.
    const reports::ScanSummary scans =
        builder.finish(check, {platform::SystemClock().now(), request.staleHours});
    explainLogFailure(check, report);
    const protection::ProtectionStatus protectionStatus = protection::readProtectionStatus();
    std::string text;
    if (request.json) {
        const reports::DocumentHeader header{.periodDays = request.days,
                                             .scannedAt = runDate,
                                             .remediatorVersion =
                                                 protectionStatus.remediatorVersion};
        text = reports::summaryJson(header, scans, check, report, &protectionStatus);
    } else {
        text = reports::summaryText(scans, request.days);
        for (const std::string& line : protection::protectionLines(protectionStatus)) {
            text += line;
            text += '\n';
        }
    }
    const int status = deliver(text, request.output, summaryStatus(scans.status));
    recordInLedger(request, rows, check, runDate);
    return status;
}

} // namespace scanbrook::cli
