#include "cli/CliArguments.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace scanbrook::cli {
namespace {

using Arguments = std::vector<std::string_view>;

struct RequestCase {
    Arguments arguments;
    Command command;
    std::int64_t days = 0; // for check only
};

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
    ::testing::Values(RequestCase{{"check"}, Command::Check, 1}, RequestCase{{"run"}, Command::Run},
                      RequestCase{{"doctor"}, Command::Doctor},
                      RequestCase{{"check", "--days", "7"}, Command::Check, 7},
                      RequestCase{{"check", "--days=7"}, Command::Check, 7},
                      RequestCase{{"check", "--days", "30"}, Command::Check, 30},
                      RequestCase{{"check", "--days", "31"}, Command::Check, 30},
                      RequestCase{{"check", "--days", "0"}, Command::Check, 1},
                      // The value after --days is taken whatever it looks like.
                      RequestCase{{"check", "--days", "-3"}, Command::Check, 1},
                      RequestCase{{"check", "--days=-3"}, Command::Check, 1},
                      RequestCase{{"check", "--days", "+12"}, Command::Check, 12},
                      RequestCase{{"check", "--days", "007"}, Command::Check, 7},
                      // Beyond the integer range: clamped like any other number, never overflowed.
                      RequestCase{{"check", "--days", "9223372036854775808"}, Command::Check, 30},
                      RequestCase{
                          {"check", "--days", "-99999999999999999999999999"}, Command::Check, 1},
                      RequestCase{{"--help"}, Command::Help},
                      RequestCase{{"--version"}, Command::Version},
                      RequestCase{{"check", "--help"}, Command::Help},
                      RequestCase{{"check", "--days", "3", "--version"}, Command::Version},
                      RequestCase{{"--help", "no-such-subcommand"}, Command::Help}));

struct ErrorCase {
    Arguments arguments;
    std::string_view reason;
};

class CliUsageError : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(CliUsageError, HasItsOneLineReason) {
    const ParsedArguments parsed = parseArguments(GetParam().arguments);
    const auto* error = std::get_if<UsageError>(&parsed);
    ASSERT_NE(error, nullptr);
    EXPECT_EQ(error->reason, GetParam().reason);
}

constexpr std::string_view kNeedsValue = "--days needs a value";

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageError,
    ::testing::Values(
        ErrorCase{{}, "no subcommand given"}, ErrorCase{{"scan"}, "unknown subcommand 'scan'"},
        ErrorCase{{"Check"}, "unknown subcommand 'Check'"},
        ErrorCase{{"-v"}, "unknown option '-v'"},
        ErrorCase{{"--days", "3", "check"}, "--days belongs after the check or summary subcommand"},
        ErrorCase{{"check", "--daysx=3"}, "unknown option '--daysx=3'"},
        ErrorCase{{"check", "7"}, "unexpected argument '7'"},
        ErrorCase{{"check", "--days"}, kNeedsValue}, ErrorCase{{"check", "--days="}, kNeedsValue},
        ErrorCase{{"check", "--days", ""}, kNeedsValue},
        ErrorCase{{"check", "--days", "1.5"}, "--days needs a whole number of days, not '1.5'"},
        ErrorCase{{"check", "--days", "seven"}, "--days needs a whole number of days, not 'seven'"},
        ErrorCase{{"check", "--days", "-"}, "--days needs a whole number of days, not '-'"},
        ErrorCase{{"check", "--days", " 7"}, "--days needs a whole number of days, not ' 7'"},
        ErrorCase{{"check", "--days", "0x10"}, "--days needs a whole number of days, not '0x10'"},
        ErrorCase{{"check", "--days", "\xD9\xA3"}, // an Arabic-Indic 3
                  "--days needs a whole number of days, not '\xD9\xA3'"},
        ErrorCase{{"check", "--days=3", "--days", "4"}, "--days given more than once"},
        ErrorCase{{"run", "--days", "3"}, "unknown option '--days'"},
        ErrorCase{{"doctor", "now"}, "unexpected argument 'now'"}));

} // namespace
} // namespace scanbrook::cli
