#include "cli/CliArguments.h"

#include "reports/ReportTexts.h"

namespace scanbrook::cli {

namespace {

constexpr std::string_view kDaysOption = "--days";
constexpr std::string_view kJsonOption = "--json";
constexpr std::string_view kOutputOption = "--output";
constexpr std::string_view kStaleHoursOption = "--stale-hours";
/// A year: beyond it a threshold says nothing more.
constexpr std::int64_t kMaxStaleHours = 24 * 366;

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

/// The number --days spells, not yet brought into range: beyond the longest period every
/// magnitude is one past it, so nothing overflows. nullopt when the text is no such integer.
std::optional<std::int64_t> parseDayCount(std::string_view text) {
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
    constexpr std::int64_t kEnough = reports::kMaxPeriodDays + 1;
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (!isDecimalDigit(c)) {
            return std::nullopt;
        }
        if (magnitude < kEnough) {
            magnitude = magnitude * 10 + (c - '0');
        }
    }
    return negative ? -magnitude : magnitude;
}

/// check and summary: --days N, --json, --output PATH.
ParsedArguments parseReport(Parser& parser, Command command) {
    Request request{command};
    std::optional<std::int64_t> days;
    while (!parser.atEnd()) {
        const std::string_view argument = parser.take();
        if (auto standalone = standaloneOption(argument)) {
            return *standalone;
        }
        if (argument == kJsonOption) {
            request.json = true;
            continue;
        }
        if (auto output = optionValue(parser, argument, kOutputOption)) {
            if (const auto* error = std::get_if<UsageError>(&*output)) {
                return *error;
            }
            const std::string_view path = std::get<std::string_view>(*output);
            if (request.output) {
                return UsageError{"--output given more than once"};
            }
            if (path.empty()) {
                return UsageError{"--output needs a value"};
            }
            request.output = std::string(path);
            continue;
        }
        if (command == Command::Summary) {
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
        auto daysValue = optionValue(parser, argument, kDaysOption);
        if (!daysValue) {
            return notUnderstood(argument);
        }
        if (const auto* error = std::get_if<UsageError>(&*daysValue)) {
            return *error;
        }
        const std::string_view value = std::get<std::string_view>(*daysValue);
        if (days) {
            return UsageError{"--days given more than once"};
        }
        if (value.empty()) {
            return UsageError{"--days needs a value"};
        }
        const std::optional<std::int64_t> given = parseDayCount(value);
        if (!given) {
            return UsageError{"--days needs a whole number of days, not " + quoted(value)};
        }
        days = reports::clampPeriod(*given);
        if (*days != *given) {
            request.notes.push_back("--days " + std::string(value) + " is outside 1 to 30; using " +
                                    std::to_string(*days));
        }
    }
    request.days = days.value_or(reports::kMinPeriodDays);
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

std::optional<std::int64_t> parseDays(std::string_view text) {
    const std::optional<std::int64_t> given = parseDayCount(text);
    return given ? std::optional(reports::clampPeriod(*given)) : std::nullopt;
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
        if (argument == "run") {
            return parseBare(parser, Command::Run, false);
        }
        if (argument == "doctor") {
            return parseBare(parser, Command::Doctor, true);
        }
        if (argument == "help") {
            return Request{Command::Help};
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
    return "usage: scanbrook-cli check [--days N] [--json] [--output PATH]\n"
           "       scanbrook-cli summary [--days N] [--stale-hours H] [--json] [--output PATH]\n"
           "       scanbrook-cli run\n"
           "       scanbrook-cli doctor [--json]\n"
           "       scanbrook-cli -h | --help | help | --version\n"
           "\n"
           "  check       print the report of XProtect Remediator's scans in the last N days\n"
           "              (1 to 30, default 1)\n"
           "  summary     print whether the scans ran in the last N days and what they found: a\n"
           "              verdict line, then a table of the scanners, then the paths of findings\n"
           "  --stale-hours H  summary: a newest scan older than H hours is stale (default 48)\n"
           "  --json      print one JSON document instead (docs/schema/ describes each)\n"
           "  --output PATH  write to PATH instead of standard output (\"-\"), replacing\n"
           "              the regular file (or a link's target) whole: a temporary file\n"
           "              beside it is renamed over it, with the old file's mode\n"
           "  run         run XProtect Remediator's scans now and print how the run ended\n"
           "  doctor      run the launch checks that the log can be read, print each outcome\n"
           "              with what to do about a failure, and whether XProtect Remediator is\n"
           "              installed and its version (exit 0 when all checks pass, 1 otherwise)\n"
           "  -h, --help, help  print this text\n"
           "  --version   print the version\n"
           "\n"
           "exit status: 0 success; 1 a scan reported something other than a clean result\n"
           "(summary: a threat was removed, scans could not finish, or the newest scan is\n"
           "stale); 2 the log tool or the scanner failed; 3 XProtect Remediator is not\n"
           "installed; 4 summary found no scans in the period; 5 summary found a threat that\n"
           "was not removed; 64 usage error; 74 the output could not be written\n";
}

} // namespace scanbrook::cli
