#include "cli/CliArguments.h"

#include "reports/ReportTexts.h"

namespace scanbrook::cli {

namespace {

constexpr std::string_view kDaysOption = "--days";

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

ParsedArguments parseCheck(Parser& parser) {
    std::optional<std::int64_t> days;
    while (!parser.atEnd()) {
        const std::string_view argument = parser.take();
        if (auto request = standaloneOption(argument)) {
            return *request;
        }
        std::string_view value;
        if (argument == kDaysOption) {
            // The next argument is the value whatever it looks like, so "-3" is a number here.
            if (parser.atEnd()) {
                return UsageError{"--days needs a value"};
            }
            value = parser.take();
        } else if (argument.starts_with(kDaysOption) && argument[kDaysOption.size()] == '=') {
            value = argument.substr(kDaysOption.size() + 1);
        } else {
            return notUnderstood(argument);
        }
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
    return Request{Command::Check, days.value_or(reports::kMinPeriodDays)};
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
            return parseCheck(parser);
        }
        if (argument == "run") {
            return parseBare(parser, Command::Run);
        }
        if (argument == "doctor") {
            return parseBare(parser, Command::Doctor);
        }
        if (argument == kDaysOption || argument.starts_with("--days=")) {
            return UsageError{"--days belongs after the check subcommand"};
        }
        if (!argument.empty() && argument.front() == '-') {
            return UsageError{"unknown option " + quoted(argument)};
        }
        return UsageError{"unknown subcommand " + quoted(argument)};
    }
    return UsageError{"no subcommand given"};
}

std::string_view usageText() {
    return "usage: scanbrook-cli check [--days N]\n"
           "       scanbrook-cli run\n"
           "       scanbrook-cli doctor\n"
           "       scanbrook-cli --help | --version\n"
           "\n"
           "  check       print the report of XProtect Remediator's scans in the last N days\n"
           "              (1 to 30, default 1)\n"
           "  run         run XProtect Remediator's scans now and print how the run ended\n"
           "  doctor      run the launch checks that the log can be read, and print each\n"
           "              outcome (exit 0 when all pass, 1 otherwise)\n"
           "  --help      print this text\n"
           "  --version   print the version\n"
           "\n"
           "exit status: 0 success; 1 a scan reported something other than a clean result;\n"
           "2 the log tool or the scanner failed; 3 XProtect Remediator is not installed;\n"
           "64 usage error; 74 the output could not be written\n";
}

} // namespace scanbrook::cli
