#include "cli/CliArguments.h"

#include <algorithm>

#include "ledger/Ledger.h"
#include "reports/ReportTexts.h"

namespace scanbrook::cli {

namespace {

constexpr std::string_view kDaysOption = "--days";
constexpr std::string_view kJsonOption = "--json";
constexpr std::string_view kOutputOption = "--output";
constexpr std::string_view kStaleHoursOption = "--stale-hours";
/// A year: beyond it a threshold says nothing more.
constexpr std::int64_t kMaxStaleHours = 24 * 366;
constexpr std::string_view kLedgerOption = "--ledger";
constexpr std::string_view kKeepDaysOption = "--keep-days";
constexpr std::string_view kRecordedOption = "--recorded";
/// history's period when --days is not given.
constexpr std::int64_t kDefaultHistoryDays = 30;

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

bool isDecimalDigit(char c) {
    return c >= '0' && c <= '9';
}

struct Parser {
    std::span<const std::string_view> arguments;
    std::size_t next = 0;

    bool atEnd() const { return next >= arguments.size(); }
    std::string_view take() { return arguments[next++]; }
};

/// A request decided by "--help" or "--version" where an option may stand; nullopt for any
/// other argument.
std::optional<Request> standaloneOption(std::string_view argument) {
    if (argument == "--help" || argument == "-h") {
        return Request{Command::Help};
    }
    if (argument == "--version") {
        return Request{Command::Version};
    }
    return std::nullopt;
}

UsageError notUnderstood(std::string_view argument) {
    if (!argument.empty() && argument.front() == '-') {
        return UsageError{"unknown option " + quoted(argument)};
    }
    return UsageError{"unexpected argument " + quoted(argument)};
}

/// The value of `option` when `argument` is "OPTION" (the next argument, whatever it looks
/// like, so "-3" is a number here) or "OPTION=VALUE"; nullopt when it is another argument.
std::optional<std::variant<std::string_view, UsageError>>
optionValue(Parser& parser, std::string_view argument, std::string_view option) {
    if (argument == option) {
        if (parser.atEnd()) {
            return UsageError{std::string(option) + " needs a value"};
        }
        return parser.take();
    }
    if (argument.starts_with(option) && argument.size() > option.size() &&
        argument[option.size()] == '=') {
        return argument.substr(option.size() + 1);
    }
    return std::nullopt;
}

/// The options each of check, summary, record and history takes.
struct Accepted {
    bool days = true;
    bool json = true;
    bool output = true;
    bool keepDays = true;
    bool recorded = false;
    bool staleHours = false;
};

Accepted acceptedBy(Command command) {
    switch (command) {
    case Command::Summary:
        return {.recorded = true, .staleHours = true};
    case Command::Record:
        return {.days = false, .json = false, .output = false};
    case Command::History:
        return {.keepDays = false};
    default:
        return {};
    }
}

/// Stores the value of the text option `option` into `target`, once.
std::optional<UsageError> takeText(Parser& parser, std::string_view argument,
                                   std::string_view option, std::optional<std::string>& target,
                                   bool& matched) {
    auto value = optionValue(parser, argument, option);
    if (!value) {
        return std::nullopt;
    }
    matched = true;
    if (const auto* error = std::get_if<UsageError>(&*value)) {
        return *error;
    }
    const std::string_view text = std::get<std::string_view>(*value);
    if (target) {
        return UsageError{std::string(option) + " given more than once"};
    }
    if (text.empty()) {
        return UsageError{std::string(option) + " needs a value"};
    }
    target = std::string(text);
    return std::nullopt;
}

/// The number a days option spells, not yet brought into range: beyond `maxDays` every magnitude
/// is one past it, so nothing overflows. nullopt when the text is no such integer.
std::optional<std::int64_t> dayCount(std::string_view text, std::int64_t maxDays) {
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Any magnitude above the longest period clamps alike, so stop counting once past it
    // rather than overflow.
    const std::int64_t enough = maxDays + 1;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (!isDecimalDigit(c)) {
            return std::nullopt;
        }
        if (magnitude < enough) {
            magnitude = magnitude * 10 + (c - '0');
        }
    }
    return negative ? -magnitude : magnitude;
}

/// Reads a number of days from a text option, clamped to 1..`maxDays`.
std::optional<UsageError> takeDays(std::string_view option, const std::optional<std::string>& text,
                                   std::int64_t maxDays, std::optional<std::int64_t>& days) {
    if (!text) {
        return std::nullopt;
    }
    days = parseDays(*text, maxDays);
    if (!days) {
        return UsageError{std::string(option) + " needs a whole number of days, not " +
                          quoted(*text)};
    }
    return std::nullopt;
}

/// check, summary, record and history: --days N, --json, --output PATH, --ledger PATH,
/// --keep-days N, --recorded, as acceptedBy() allows.
ParsedArguments parseReport(Parser& parser, Command command) {
    const Accepted accepted = acceptedBy(command);
    Request request{command};
    std::optional<std::string> daysText;
    std::optional<std::string> keepDaysText;
    while (!parser.atEnd()) {
        const std::string_view argument = parser.take();
        if (auto standalone = standaloneOption(argument)) {
            return *standalone;
        }
        if (accepted.json && argument == kJsonOption) {
            request.json = true;
            continue;
        }
        if (accepted.recorded && argument == kRecordedOption) {
            request.recorded = true;
            continue;
        }
        if (accepted.staleHours) {
            if (auto hours = optionValue(parser, argument, kStaleHoursOption)) {
                if (const auto* error = std::get_if<UsageError>(&*hours)) {
                    return *error;
                }
                const std::string_view value = std::get<std::string_view>(*hours);
                const auto parsed = parseStaleHours(value);
                if (!parsed) {
                    return UsageError{"--stale-hours needs a whole number of hours from 1 to " +
                                      std::to_string(kMaxStaleHours) + ", not " + quoted(value)};
                }
                request.staleHours = *parsed;
                continue;
            }
        }
        bool matched = false;
        std::optional<UsageError> error;
        if (accepted.output) {
            error = takeText(parser, argument, kOutputOption, request.output, matched);
        }
        if (!matched && accepted.days) {
            error = takeText(parser, argument, kDaysOption, daysText, matched);
        }
        if (!matched && accepted.keepDays) {
            error = takeText(parser, argument, kKeepDaysOption, keepDaysText, matched);
        }
        if (!matched) {
            error = takeText(parser, argument, kLedgerOption, request.ledger, matched);
        }
        if (!matched) {
            return notUnderstood(argument);
        }
        if (error) {
            return *error;
        }
    }
    // The log keeps at most a month; the ledger's periods reach as far as it keeps events.
    const bool fromLedger = command == Command::History || request.recorded;
    const std::int64_t maxDays = fromLedger ? ledger::kMaxHistoryDays : reports::kMaxPeriodDays;
    std::optional<std::int64_t> days;
    if (auto error = takeDays(kDaysOption, daysText, maxDays, days)) {
        return *error;
    }
    if (days && *days != dayCount(*daysText, maxDays)) {
        request.notes.push_back("--days " + *daysText + " is outside 1 to " +
                                std::to_string(maxDays) + "; using " + std::to_string(*days));
    }
    request.days =
        days.value_or(command == Command::History ? kDefaultHistoryDays : reports::kMinPeriodDays);
    std::optional<std::int64_t> keepDays;
    if (auto error = takeDays(kKeepDaysOption, keepDaysText, ledger::kMaxKeepDays, keepDays)) {
        return *error;
    }
    request.keepDays = ledger::clampKeepDays(keepDays.value_or(ledger::kDefaultKeepDays));
    return request;
}

/// A subcommand whose only option, if any, is --json.
ParsedArguments parseBare(Parser& parser, Command command, bool takesJson) {
    Request request{command};
    while (!parser.atEnd()) {
        const std::string_view argument = parser.take();
        if (auto standalone = standaloneOption(argument)) {
            return *standalone;
        }
        if (takesJson && argument == kJsonOption) {
            request.json = true;
            continue;
        }
        return notUnderstood(argument);
    }
    return request;
}

} // namespace

std::optional<std::int64_t> parseDays(std::string_view text, std::int64_t maxDays) {
    const std::optional<std::int64_t> given = dayCount(text, maxDays);
    return given ? std::optional(std::clamp<std::int64_t>(*given, reports::kMinPeriodDays, maxDays))
                 : std::nullopt;
}

std::optional<std::int64_t> parseStaleHours(std::string_view text) {
    if (text.empty() || text.size() > 6) {
        return std::nullopt;
    }
    std::int64_t hours = 0;
    for (char c : text) {
        if (!isDecimalDigit(c)) {
            return std::nullopt;
        }
        hours = hours * 10 + (c - '0');
    }
    if (hours < 1 || hours > kMaxStaleHours) {
        return std::nullopt;
    }
    return hours;
}

ParsedArguments parseArguments(std::span<const std::string_view> arguments) {
    Parser parser{arguments};
    while (!parser.atEnd()) {
        const std::string_view argument = parser.take();
        if (auto request = standaloneOption(argument)) {
            return *request;
        }
        if (argument == "check") {
            return parseReport(parser, Command::Check);
        }
        if (argument == "summary") {
            return parseReport(parser, Command::Summary);
        }
        if (argument == "record") {
            return parseReport(parser, Command::Record);
        }
        if (argument == "history") {
            return parseReport(parser, Command::History);
        }
        if (argument == "help") {
            return Request{Command::Help};
        }
        if (argument == "run") {
            return parseBare(parser, Command::Run, false);
        }
        if (argument == "doctor") {
            return parseBare(parser, Command::Doctor, true);
        }
        if (argument == kDaysOption || argument.starts_with("--days=") || argument == kJsonOption ||
            argument == kOutputOption || argument.starts_with("--output=")) {
            return UsageError{std::string(argument.substr(0, argument.find('='))) +
                              " belongs after the check or summary subcommand"};
        }
        if (!argument.empty() && argument.front() == '-') {
            return UsageError{"unknown option " + quoted(argument)};
        }
        return UsageError{"unknown subcommand " + quoted(argument)};
    }
    return UsageError{"no subcommand given"};
}

std::string_view usageText() {
    return "usage: scanbrook-cli check [--days N] [--json] [--output PATH] [LEDGER]\n"
           "       scanbrook-cli summary [--days N] [--stale-hours H] [--recorded] [--json]\n"
           "                             [--output PATH] [LEDGER]\n"
           "       scanbrook-cli record [LEDGER]\n"
           "       scanbrook-cli history [--days N] [--json] [--output PATH] [--ledger PATH]\n"
           "       scanbrook-cli run\n"
           "       scanbrook-cli doctor [--json]\n"
           "       scanbrook-cli agent install | remove | status\n"
           "       scanbrook-cli -h | --help | help | --version\n"
           "  where LEDGER is [--ledger PATH] [--keep-days N]\n"
           "\n"
           "  check       print the report of XProtect Remediator's scans in the last N days\n"
           "              (1 to 30, default 1)\n"
           "  summary     print whether the scans ran in the last N days and what they found: a\n"
           "              verdict line, then a table of the scanners, then the paths of findings\n"
           "  --stale-hours H  summary: a newest scan older than H hours is stale (default 48)\n"
           "  --recorded  summary: first record, then summarise the scan ledger's last N days\n"
           "              (1 to 3650) instead of the log's\n"
           "  record      add what is new in the log to the scan ledger\n"
           "  history     print the scan ledger's events of the last N days (1 to 3650,\n"
           "              default 30) in the report's line format\n"
           "  --json      print one JSON document instead (docs/schema/ describes each)\n"
           "  --output PATH  write to PATH instead of standard output (\"-\"), replacing\n"
           "              the regular file (or a link's target) whole: a temporary file\n"
           "              beside it is renamed over it, with the old file's mode\n"
           "  --ledger PATH  the scan ledger at PATH instead of the account's own (check and\n"
           "              summary record every event they read in it; docs/ledger.md)\n"
           "  --keep-days N  writes prune events older than N days (30 to 3650, default 400)\n"
           "  run         run XProtect Remediator's scans now and print how the run ended\n"
           "  doctor      run the launch checks that the log can be read, print each outcome\n"
           "              with what to do about a failure, and whether XProtect Remediator is\n"
           "              installed and its version (exit 0 when all checks pass, 1 otherwise)\n"
           "  agent       install: keep the history in the background, with a launchd agent\n"
           "              that runs \"scanbrook-cli record\" at login and every 6 hours;\n"
           "              remove: take it away; status: say how it stands (exit 0 when it\n"
           "              keeps the history, 1 when it needs attention, 3 when not installed)\n"
           "  -h, --help, help  print this text\n"
           "  --version   print the version\n"
           "\n"
           "exit status: 0 success; 1 a scan reported something other than a clean result\n"
           "(summary: a threat was removed, scans could not finish, or the newest scan is\n"
           "stale); 2 the log tool, the scanner or the ledger could not be read; 3 XProtect\n"
           "Remediator is not installed; 4 summary found no scans in the period; 5 summary\n"
           "found a threat that was not removed; 64 usage error; 74 the output or the ledger\n"
           "could not be written; 75 record: the ledger stayed busy; 77 agent run as root\n";
}

} // namespace scanbrook::cli
