// record, history and summary --recorded: the scan ledger, which keeps what the log forgets.
// Every text of the ledger's events comes from the check's own report line and summary.
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "ledger/HistoryText.h"
#include "ledger/Ledger.h"
#include "ledger/Recording.h"
#include "protection/ProtectionStatus.h"
#include "reports/ReportJson.h"
#include "reports/ReportTexts.h"
#include "reports/ScanSummary.h"

#include <string>

namespace scanbrook::cli {

namespace {

std::string ledgerPath(const Request& request) {
    return request.ledger.value_or(ledger::defaultLedgerPath());
}

std::optional<std::string> sinceOf(const ledger::PeriodResult& period) {
    return period.sinceMicros ? std::optional<std::string>(ledger::sinceText(*period.sinceMicros))
                              : std::nullopt;
}

void sayWriteProblems(const ledger::WriteResult& write) {
    if (!write.notice.empty()) {
        complain(write.notice);
    }
    if (write.status != ledger::Status::Ok) {
        complain(write.problem);
    }
}

} // namespace

void recordInLedger(const Request& request, const ledger::EventCollector& rows,
                    const reports::CheckSummary& check, platform::TimePoint runDate) {
    sayWriteProblems(ledger::recordCheck(ledgerPath(request), rows, check, request.days, runDate,
                                         {.keepDays = request.keepDays}));
}

int record(const Request& request) {
    const platform::TimePoint now = platform::SystemClock().now();
    const ledger::RecordResult recorded =
        ledger::recordFromLog(ledgerPath(request), now, {.keepDays = request.keepDays});
    sayWriteProblems(recorded.write);
    switch (recorded.write.status) {
    case ledger::Status::Ok:
        break;
    case ledger::Status::Busy:
        return kExitBusy;
    case ledger::Status::NotWritten:
    case ledger::Status::NotReadable:
    case ledger::Status::Newer:
        return kExitOutput;
    }
    if (!recorded.logRead) {
        complain(recorded.logProblem);
        return kExitToolFailed;
    }
    return print(ledger::recordedText(recorded.write) + "\n", kExitSuccess);
}

int history(const Request& request) {
    const platform::TimePoint runDate = platform::SystemClock().now();
    std::string lines;
    reports::CheckEventsJson events;
    ledger::PeriodResult period = ledger::replayPeriod(ledgerPath(request), request.days, runDate,
                                                       lines, request.json ? &events : nullptr);
    if (period.status != ledger::Status::Ok) {
        complain(period.problem);
        period.check = {reports::CheckOutcome::ToolFailed, 0, false, 0};
    }
    if (request.json) {
        const reports::DocumentHeader header{
            .periodDays = request.days,
            .scannedAt = runDate,
            .remediatorVersion = protection::installedRemediatorVersion(),
            .recorded = reports::DocumentHeader::Recorded{sinceOf(period)}};
        return deliver(reports::checkJson(header, period.check, period.problem, events),
                       request.output, checkStatus(period.check));
    }
    const std::string report = ledger::historyReport(request.days, period, lines, runDate);
    return deliver(report, request.output, checkStatus(period.check));
}

int recordedSummary(const Request& request) {
    const platform::TimePoint now = platform::SystemClock().now();
    const std::string path = ledgerPath(request);
    const ledger::RecordResult recorded =
        ledger::recordFromLog(path, now, {.keepDays = request.keepDays});
    sayWriteProblems(recorded.write);
    if (!recorded.logRead && recorded.write.status != ledger::Status::Newer) {
        complain(recorded.logProblem + " The summary is of what the ledger held already.");
    }

    std::string lines;
    reports::ScanSummaryBuilder builder;
    ledger::PeriodResult period = ledger::replayPeriod(path, request.days, now, lines, &builder);
    std::string report;
    if (period.status != ledger::Status::Ok) {
        complain(period.problem);
        report = period.problem;
        period.check = {reports::CheckOutcome::ToolFailed, 0, false, 0};
    } else if (!period.sinceMicros) {
        // No read of the log has ever succeeded: the ledger knows nothing of the period.
        report = "The scan ledger holds no history yet.";
        period.check = {reports::CheckOutcome::ToolFailed, 0, false, 0};
    }
    // Staleness is measured at the moment the summary is made, whatever the period.
    const reports::ScanSummary scans = builder.finish(period.check, {now, request.staleHours});
    const protection::ProtectionStatus protectionStatus = protection::readProtectionStatus();
    const std::optional<std::string> verdictLine = ledger::historyVerdictLine(scans, period);
    std::string text;
    if (request.json) {
        const reports::DocumentHeader header{
            .periodDays = request.days,
            .scannedAt = now,
            .remediatorVersion = protectionStatus.remediatorVersion,
            .recorded = reports::DocumentHeader::Recorded{sinceOf(period), verdictLine}};
        text = reports::summaryJson(header, scans, period.check, report, &protectionStatus);
    } else {
        text = reports::summaryText(scans, request.days);
        if (verdictLine) {
            text.replace(0, text.find('\n'), *verdictLine);
        }
        for (const std::string& line : protection::protectionLines(protectionStatus)) {
            text += line;
            text += '\n';
        }
    }
    return deliver(text, request.output, summaryStatus(scans.status));
}

} // namespace scanbrook::cli
