#pragma once

#include "cli/CliArguments.h"
#include "ledger/LedgerEvents.h"
#include "platform/Clock.h"
#include "reports/CheckReport.h"
#include "reports/ScanSummary.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>

/// The subcommands of scanbrook-cli, one function each; they return the exit status.
namespace scanbrook::cli {

/// The report of the log's scan events, as text or JSON.
int check(const Request& request);
/// Whether the scans ran in the period, as a verdict line and one line per scanner, or JSON.
int summary(const Request& request);
/// Adds what is new in the log to the scan ledger.
int record(const Request& request);
/// The scan ledger's events of a period, in the report's line format or as JSON.
int history(const Request& request);
/// summary --recorded: records, then summarises the ledger's period.
int recordedSummary(const Request& request);

/// Stores what a check read in the scan ledger, once its report has been handed over; a
/// failure is said on standard error and changes nothing else.
void recordInLedger(const Request& request, const ledger::EventCollector& rows,
                    const reports::CheckSummary& check, platform::TimePoint runDate);

/// The exit status of a check's report, and of a summary's status.
int checkStatus(const reports::CheckSummary& check);
int summaryStatus(reports::SummaryStatus status);

/// Runs XProtect Remediator's scans and prints how the run ended.
int run(const Request& request);
/// The launch checks, every one of them, and what each found.
int doctor(const Request& request);

/// agent install|remove|status: the launchd agent that records in the background. Its own
/// arguments, after "agent"; `argv0` is the program's argv[0].
int agent(std::span<const std::string_view> arguments, const char* argv0);

} // namespace scanbrook::cli
