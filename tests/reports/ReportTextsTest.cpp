#include "reports/ReportTexts.h"
#include "reports/LogCommands.h"
#include "reports/RunReport.h"
#include "support/CommandResults.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <limits>
#include <string>

namespace scanbrook::reports {
namespace {

using namespace std::chrono;

TEST(ClampPeriod, StaysWithinOneToThirtyDays) {
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    const std::vector<std::pair<std::int64_t, std::int64_t>> cases = {
        {kMin, 1}, {-3, 1}, {0, 1}, {1, 1}, {2, 2}, {29, 29}, {30, 30}, {31, 30}, {kMax, 30}};
    for (const auto& [days, clamped] : cases) {
        EXPECT_EQ(clampPeriod(days), clamped) << days;
    }
}

TEST(LogCommands, AreTheArgumentsTheLogToolKnows) {
    EXPECT_EQ(checkQueryArguments("7d"),
              (std::vector<std::string>{
                  "show", "--predicate",
                  "subsystem == \"com.apple.XProtectFramework.PluginAPI\" AND category == "
                  "\"XPEvent.structured\"",
                  "--style", "json", "--info", "--last", "7d"}));
    EXPECT_EQ(logEntriesArguments(), (std::vector<std::string>{"show", "--last", "2"}));
    EXPECT_EQ(logTimeFormatArguments(),
              (std::vector<std::string>{"show", "--style", "json", "--last", "2"}));
}

struct RunCase {
    const char* name;
    platform::CommandResult (*make)();
    std::string text;
};

class RunText : public ::testing::TestWithParam<RunCase> {};

TEST_P(RunText, SaysHowTheScannerEnded) {
    EXPECT_EQ(runReportText(GetParam().make()), GetParam().text);
}

const std::string kScanner =
    "/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/MacOS/XProtect";

INSTANTIATE_TEST_SUITE_P(
    Endings, RunText,
    ::testing::Values(
        RunCase{"Completed", [] { return testing::exitedWith(0, "scanning...\n", kScanner); },
                "\n\nXProtect Remediator has completed scanning.\nTo see the results, click on "
                "the Check XProtect button.\n"},
        RunCase{"StatusThree", [] { return testing::exitedWith(3, "", kScanner); },
                "\n\nError 3 when running XProtect Remediator scans.\n"},
        RunCase{"KilledBySignal", [] { return testing::killedBySignal(SIGTERM, "", kScanner); },
                "\n\nError 15 when running XProtect Remediator scans.\n"},
        // A scanner that did not run is never reported as having completed.
        RunCase{"NotExecutable", [] { return testing::notStarted(EACCES, "/sim" + kScanner); },
                "\n\nError 126 when running XProtect Remediator scans.\n/sim" + kScanner +
                    " could not be started: Permission denied.\n"},
        RunCase{"Missing", [] { return testing::notStarted(ENOENT, kScanner); },
                "\n\nError 127 when running XProtect Remediator scans.\n" + kScanner +
                    " could not be started: No such file or directory.\n"}),
    [](const auto& param) { return std::string(param.param.name); });

// Dates are written at GMT whatever the machine's zone: run in one that is on another day at
// the moments formatted.
TEST(DateText, IsWrittenAtGmtWithUnderscoresAndNeverRoundedUp) {
    const platform::TimePoint t = sys_days{2024y / March / 5} + 9h + 41min + 7s;
    const platform::TimePoint lastMoment =
        sys_days{2024y / December / 31} + 23h + 59min + 59s + 999999us;
    {
        const test::ScopedEnvironment tokyo("TZ", "Asia/Tokyo");
        ::tzset();
        EXPECT_EQ(lastCheckDateText(t), "2024-03-05T09_41_07Z");
        EXPECT_EQ(closingLine(t), "\nScanned at 2024-03-05T09_41_07Z");
        EXPECT_EQ(defaultSaveName(t), "Scanbrook-2024-03-05T09_41_07Z.text");
        EXPECT_EQ(lastCheckDateText(lastMoment), "2024-12-31T23_59_59Z");
    }
    ::tzset();
}

} // namespace
} // namespace scanbrook::reports
