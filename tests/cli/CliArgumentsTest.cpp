#include "cli/CliArguments.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scanbrook::cli {
namespace {

/// Names a case after its arguments, each in brackets, so that a failing case is easy to find.
void printArguments(const std::vector<std::string_view>& arguments, std::ostream* out) {
    if (arguments.empty()) {
        *out << "(no arguments)";
    }
    for (std::string_view argument : arguments) {
        *out << '[' << argument << ']';
    }
}

struct RequestCase {
    std::vector<std::string_view> arguments;
    Command command;
    std::int64_t days;
};

void PrintTo(const RequestCase& c, std::ostream* out) {
    printArguments(c.arguments, out);
}

class CliRequest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(CliRequest, IsRead) {
    const ParsedArguments parsed = parseArguments(GetParam().arguments);

    const auto* request = std::get_if<Request>(&parsed);
    ASSERT_NE(request, nullptr) << std::get<UsageError>(parsed).reason;
    EXPECT_EQ(request->command, GetParam().command);
    if (GetParam().command == Command::Check) {
        EXPECT_EQ(request->days, GetParam().days);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRequest,
    ::testing::Values(
        RequestCase{{"check"}, Command::Check, 1}, RequestCase{{"run"}, Command::Run, 0},
        RequestCase{{"doctor"}, Command::Doctor, 0},
        RequestCase{{"check", "--days", "7"}, Command::Check, 7},
        RequestCase{{"check", "--days=7"}, Command::Check, 7},
        RequestCase{{"check", "--days", "1"}, Command::Check, 1},
        RequestCase{{"check", "--days", "2"}, Command::Check, 2},
        RequestCase{{"check", "--days", "30"}, Command::Check, 30},
        RequestCase{{"check", "--days", "31"}, Command::Check, 30},
        RequestCase{{"check", "--days", "0"}, Command::Check, 1},
        // The value after --days is taken whatever it looks like.
        RequestCase{{"check", "--days", "-3"}, Command::Check, 1},
        RequestCase{{"check", "--days=-3"}, Command::Check, 1},
        RequestCase{{"check", "--days", "+12"}, Command::Check, 12},
        RequestCase{{"check", "--days", "007"}, Command::Check, 7},
        RequestCase{{"check", "--days", "-0"}, Command::Check, 1},
        RequestCase{{"check", "--days", "9223372036854775807"}, Command::Check, 30},
        RequestCase{{"check", "--days", "9223372036854775808"}, Command::Check, 30},
        RequestCase{{"check", "--days", "99999999999999999999999999"}, Command::Check, 30},
        RequestCase{{"check", "--days", "-9223372036854775808"}, Command::Check, 1},
        RequestCase{{"check", "--days", "-99999999999999999999999999"}, Command::Check, 1},
        RequestCase{{"check", "--days", "00000000000000000000000000000005"}, Command::Check, 5},
        RequestCase{{"--help"}, Command::Help, 0}, RequestCase{{"--version"}, Command::Version, 0},
        RequestCase{{"check", "--help"}, Command::Help, 0},
        RequestCase{{"run", "--help"}, Command::Help, 0},
        RequestCase{{"check", "--days", "3", "--version"}, Command::Version, 0},
        RequestCase{{"--help", "no-such-subcommand"}, Command::Help, 0},
        RequestCase{{"--version", "--help"}, Command::Version, 0}));

struct ErrorCase {
    std::vector<std::string_view> arguments;
    /// A piece of text the one-line reason must hold.
    std::string_view reasonPart;
};

void PrintTo(const ErrorCase& c, std::ostream* out) {
    printArguments(c.arguments, out);
}

class CliUsageError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CliUsageError, IsReportedWithAOneLineReason) {
    const ParsedArguments parsed = parseArguments(GetParam().arguments);

    const auto* error = std::get_if<UsageError>(&parsed);
    ASSERT_NE(error, nullptr);
    EXPECT_NE(error->reason.find(GetParam().reasonPart), std::string::npos) << error->reason;
    EXPECT_EQ(error->reason.find('\n'), std::string::npos) << error->reason;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageError,
    ::testing::Values(
        ErrorCase{{}, "no subcommand"}, ErrorCase{{""}, "unknown subcommand ''"},
        ErrorCase{{"scan"}, "unknown subcommand 'scan'"},
        ErrorCase{{"Check"}, "unknown subcommand 'Check'"},
        ErrorCase{{"-v"}, "unknown option '-v'"}, ErrorCase{{"--days", "3", "check"}, "--days"},
        ErrorCase{{"check", "--day", "3"}, "unknown option '--day'"},
        ErrorCase{{"check", "--daysx=3"}, "unknown option '--daysx=3'"},
        ErrorCase{{"check", "-d", "3"}, "unknown option '-d'"},
        ErrorCase{{"check", "7"}, "unexpected argument '7'"},
        ErrorCase{{"check", "run"}, "unexpected argument 'run'"},
        ErrorCase{{"check", "--days"}, "--days needs a value"},
        ErrorCase{{"check", "--days="}, "--days needs a value"},
        ErrorCase{{"check", "--days", ""}, "--days needs a value"},
        ErrorCase{{"check", "--days", "1.5"}, "'1.5'"},
        ErrorCase{{"check", "--days", "7.0"}, "'7.0'"},
        ErrorCase{{"check", "--days", "seven"}, "'seven'"},
        ErrorCase{{"check", "--days", "-"}, "'-'"}, ErrorCase{{"check", "--days", "+"}, "'+'"},
        ErrorCase{{"check", "--days", "--3"}, "'--3'"},
        ErrorCase{{"check", "--days", " 7"}, "' 7'"}, ErrorCase{{"check", "--days", "7 "}, "'7 '"},
        ErrorCase{{"check", "--days", "7d"}, "'7d'"},
        ErrorCase{{"check", "--days", "0x10"}, "'0x10'"},
        ErrorCase{{"check", "--days", "1e3"}, "'1e3'"},
        ErrorCase{{"check", "--days", "\xD9\xA3"}, "--days"}, // Arabic-Indic 3
        ErrorCase{{"check", "--days", "--help"}, "'--help'"},
        ErrorCase{{"check", "--days", "3", "--days", "3"}, "more than once"},
        ErrorCase{{"check", "--days=3", "--days", "4"}, "more than once"},
        ErrorCase{{"run", "--days", "3"}, "unknown option '--days'"},
        ErrorCase{{"run", "now"}, "unexpected argument 'now'"},
        ErrorCase{{"doctor", "now"}, "unexpected argument 'now'"},
        ErrorCase{{"run", "run"}, "unexpected argument 'run'"}));

TEST(CliUsage, NamesEverySubcommandAndOption) {
    const std::string_view usage = usageText();

    for (std::string_view part :
         {"scanbrook-cli check [--days N]", "scanbrook-cli run", "--help", "--version"}) {
        EXPECT_NE(usage.find(part), std::string_view::npos) << part;
    }
    EXPECT_TRUE(usage.ends_with('\n'));
}

} // namespace
} // namespace scanbrook::cli
