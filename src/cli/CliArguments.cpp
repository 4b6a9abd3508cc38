#include "cli/CliArguments.h"

#include "reports/ReportTexts.h"

namespace scanbrook::cli {

namespace {

constexpr std::string_view kDaysOption = "--days";
constexpr std::string_view kJsonOption = "--json";
constexpr std::string_view kOutputOption = "--output";

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
    if (argument == "--help") {
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
        days = parseDays(value);
        if (!days) {
            return UsageError{"--days needs a whole number of days, not " + quoted(value)};
        }
    }
    request.days = days.value_or(reports::kMinPeriodDays);
    return request;
}

/// A subcommand that takes no options of its own.
ParsedArguments parseBare(Parser& parser, Command command) {
    while (!parser.atEnd()) {
        const std::string_view argument = parser.take();
        if (auto request = standaloneOption(argument)) {
            return *request;
        }
        return notUnderstood(argument);
    }
    return Request{command};
}

} // namespace

std::optional<std::int64_t> parseDays(std::string_view text) {
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
    return reports::clampPeriod(negative ? -magnitude : magnitude);
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
            return parseBare(parser, Command::Run);
        }
        if (argument == "doctor") {
            return parseBare(parser, Command::Doctor);
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
           "       scanbrook-cli summary [--days N] [--json] [--output PATH]\n"
           "       scanbrook-cli run\n"
           "       scanbrook-cli doctor\n"
           "       scanbrook-cli agent install | remove | status\n"
           "       scanbrook-cli --help | --version\n"
           "\n"
           "  check       print the report of XProtect Remediator's scans in the last N days\n"
           "              (1 to 30, default 1)\n"
           "  summary     print whether the scans ran in the last N days: a verdict line, then\n"
           "              one line per scanner with its runs, last run and last result\n"
           "  --json      print one JSON document instead (docs/schema/ describes both)\n"
           "  --output PATH  write to PATH instead of standard output, replacing the file\n"
           "              whole (a temporary file beside it is renamed over it)\n"
           "  run         run XProtect Remediator's scans now and print how the run ended\n"
           "  doctor      run the launch checks that the log can be read, and print each\n"
           "              outcome (exit 0 when all pass, 1 otherwise)\n"
           "  agent       install: keep the history in the background, with a launchd agent\n"
           "              that runs \"scanbrook-cli record\" at login and every 6 hours;\n"
           "              remove: take it away; status: say how it stands (exit 0 when it\n"
           "              keeps the history, 1 when it needs attention, 3 when not installed)\n"
           "  --help      print this text\n"
           "  --version   print the version\n"
           "\n"
           "exit status: 0 success; 1 a scan reported something other than a clean result;\n"
           "2 the log tool or the scanner failed; 3 XProtect Remediator is not installed;\n"
           "4 summary found no scans in the period; 64 usage error;\n"
           "74 the output could not be written; 77 agent run as root\n";
}

} // namespace scanbrook::cli
