#pragma once

#include <optional>
#include <string>
#include <string_view>

/// How scanbrook-cli hands its results over: the exit statuses scripts rely on, and the one way
/// output reaches standard output or a file.
namespace scanbrook::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitWarning = 1;    // a check line got the warning marker
inline constexpr int kExitToolFailed = 2; // the log tool or the scanner failed or could not start
inline constexpr int kExitNotInstalled = 3;
inline constexpr int kExitNoScans = 4;     // summary: the log was read and holds no scan
inline constexpr int kExitThreatFound = 5; // summary: a threat was found and not removed
inline constexpr int kExitUsage = 64;      // EX_USAGE
inline constexpr int kExitOutput = 74; // EX_IOERR: the report or the ledger could not be written
inline constexpr int kExitBusy = 75;   // EX_TEMPFAIL: record found the ledger busy
inline constexpr int kExitNoPermission = 77; // EX_NOPERM: agent, run as root

inline constexpr std::string_view kProgramName = "scanbrook-cli";

/// Writes `text` to standard output and makes sure it got there: a report that a script never
/// received must not end with a status that says all is well. Returns `status`, or kExitOutput.
int print(std::string_view text, int status);

/// Replaces the file at `path` with `text` whole (see platform::replaceFile), or prints to
/// standard output without a path or with "-".
int deliver(std::string_view text, const std::optional<std::string>& path, int status);

/// Prints "scanbrook-cli: `reason`" and a line feed on standard error.
void complain(std::string_view reason);

/// `text` on one line: its lines joined by single spaces, empty ones dropped.
std::string oneLine(std::string_view text);

} // namespace scanbrook::cli
