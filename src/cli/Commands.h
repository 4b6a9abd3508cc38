#pragma once

#include "cli/CliArguments.h"

/// The subcommands of scanbrook-cli, one function each; they return the exit status.
namespace scanbrook::cli {

/// The report of the log's scan events, as text or JSON.
int check(const Request& request);
/// Whether the scans ran in the period, as a verdict line and one line per scanner, or JSON.
int summary(const Request& request);
/// Runs XProtect Remediator's scans and prints how the run ended.
int run(const Request& request);
/// The launch checks, every one of them, and what each found.
int doctor(const Request& request);

} // namespace scanbrook::cli
