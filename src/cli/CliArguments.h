#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

/// What scanbrook-cli is asked to do, read from its arguments without touching the system.
namespace scanbrook::cli {

enum class Command { Check, Summary, Record, History, Run, Doctor, Help, Version };

struct Request {
    Command command = Command::Help;
    /// The check's period in days, already brought into 1..30.
    std::int64_t days = 1;
    /// check, summary and doctor: one JSON document instead of text.
    bool json = false;
    /// check and summary: the file that the output replaces, instead of standard output.
    std::optional<std::string> output = std::nullopt;
    /// summary: a newest scan older than this many hours makes it stale.
    std::int64_t staleHours = 48;
    /// What the user is told on standard error before the work starts, one line each without a
    /// line feed: an out-of-range period that was brought into range.
    std::vector<std::string> notes = {};
    /// check, summary, record and history: the scan ledger at this path instead of the
    /// account's own.
    std::optional<std::string> ledger = std::nullopt;
    /// summary: the ledger's period, after a record, instead of the log's.
    bool recorded = false;
    /// What writes the ledger prunes: events older than this many days (30 to 3650).
    std::int64_t keepDays = 400;
};

/// Arguments that make no request: `reason` is one line, without a line feed.
struct UsageError {
    std::string reason;
};

using ParsedArguments = std::variant<Request, UsageError>;

/// Reads the arguments after the program's name. "-h", "--help" and "--version" may stand
/// wherever an option may, "help" where the subcommand does; the first of them, or the first
/// mistake, decides.
ParsedArguments parseArguments(std::span<const std::string_view> arguments);

/// The value of --days: an optional sign and at least one decimal digit, nothing else. A value
/// beyond the 64-bit range is taken as that range's nearest end, then everything is clamped
/// to 1..`maxDays`. nullopt when the text is no such integer.
std::optional<std::int64_t> parseDays(std::string_view text, std::int64_t maxDays = 30);

/// The value of --stale-hours: decimal digits only, 1 to a year of hours; nullopt otherwise.
std::optional<std::int64_t> parseStaleHours(std::string_view text);
/// The line a usage error prints after its reason, pointing to the usage text.
inline constexpr std::string_view kTryHelpLine = "Try 'scanbrook-cli --help'.";

/// The usage text, ending with a line feed.
std::string_view usageText();

} // namespace scanbrook::cli
