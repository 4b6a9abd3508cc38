#include "reports/ReportTexts.h"
#include "reports/LogCommands.h"
#include "reports/RunReport.h"
#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <string>

namespace scanbrook::reports {
namespace {

/// Names the instances of a table after its cases.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
        return tested.param.name;
    }
};

using namespace std::chrono;

struct ClampCase {
    std::int64_t days;
    std::int64_t clamped;
};

class PeriodClamp : public ::testing::TestWithParam<ClampCase> {};

TEST_P(PeriodClamp, StaysWithinOneToThirtyDays) {
    EXPECT_EQ(clampPeriod(GetParam().days), GetParam().clamped);
}

INSTANTIATE_TEST_SUITE_P(
    Values, PeriodClamp,
    ::testing::Values(ClampCase{std::numeric_limits<std::int64_t>::min(), 1}, ClampCase{-3, 1},
                      ClampCase{0, 1}, ClampCase{1, 1}, ClampCase{2, 2}, ClampCase{29, 29},
                      ClampCase{30, 30}, ClampCase{31, 30},
                      ClampCase{std::numeric_limits<std::int64_t>::max(), 30}));

TEST(CheckTexts, OneDayUsesTheSingularForms) {
    const CheckTexts texts = checkTexts(1);
    EXPECT_EQ(texts.header, "XProtect Remediator scans completed in the last day:\n\n");
    EXPECT_EQ(texts.noneFound, "No XProtect Remediator scan log messages found in the last day.");
    EXPECT_EQ(texts.periodArgument, "1d");
}

TEST(CheckTexts, SeveralDaysNameTheirNumber) {
    for (const std::int64_t days : {2, 7, 30}) {
        const std::string n = std::to_string(days);
        const CheckTexts texts = checkTexts(days);
        EXPECT_EQ(texts.header,
                  "XProtect Remediator scans completed in the last " + n + " days:\n\n");
        EXPECT_EQ(texts.noneFound,
                  "No XProtect Remediator scan log messages found in the last " + n + " days.");
        EXPECT_EQ(texts.periodArgument, n + "d");
    }
}

TEST(CheckTexts, ErrorLineCarriesTheStatus) {
    EXPECT_EQ(checkErrorLine(1), "Error 1 when checking the log for XProtect Remediator scans.");
    EXPECT_EQ(checkErrorLine(-2), "Error -2 when checking the log for XProtect Remediator scans.");
}

TEST(LogCommands, CheckQueryHasTheEightArguments) {
    EXPECT_EQ(checkQueryArguments("7d"),
              (std::vector<std::string>{
                  "show", "--predicate",
                  "subsystem == \"com.apple.XProtectFramework.PluginAPI\" AND category == "
                  "\"XPEvent.structured\"",
                  "--style", "json", "--info", "--last", "7d"}));
}

TEST(LogCommands, LaunchChecks) {
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

TEST_P(RunText, TextForHowTheScannerEnded) {
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
        RunCase{"NotExecutable", [] { return testing::notStarted(EACCES, "/sim" + kScanner); },
                "\n\nError 126 when running XProtect Remediator scans.\n/sim" + kScanner +
                    " could not be started: Permission denied.\n"},
        RunCase{"Missing", [] { return testing::notStarted(ENOENT, kScanner); },
                "\n\nError 127 when running XProtect Remediator scans.\n" + kScanner +
                    " could not be started: No such file or directory.\n"}),
    CaseName());

TEST(RunNotice, IsTheAdvertisedLength) {
    EXPECT_EQ(runReportText(testing::exitedWith(0)).size(), 102U);
}

/// Dates are written at GMT whatever the zone of the machine: run in a zone that lies on
/// another day at the moment formatted.
class DateText : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* tz = std::getenv("TZ")) {
            savedTz = tz;
        }
        setenv("TZ", "Asia/Tokyo", 1);
        tzset();
    }
    void TearDown() override {
        if (savedTz) {
            setenv("TZ", savedTz->c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }
    std::optional<std::string> savedTz;
};

TEST_F(DateText, IsWrittenAtGmtWithUnderscores) {
    const platform::TimePoint t = sys_days{2024y / March / 5} + 9h + 41min + 7s;
    EXPECT_EQ(lastCheckDateText(t), "2024-03-05T09_41_07Z");
    EXPECT_EQ(closingLine(t), "\nScanned at 2024-03-05T09_41_07Z");
    EXPECT_EQ(defaultSaveName(t), "Scanbrook-2024-03-05T09_41_07Z.text");
}

TEST_F(DateText, FractionsOfASecondAreNotRoundedUp) {
    const platform::TimePoint t =
        sys_days{2024y / December / 31} + 23h + 59min + 59s + 999ms + 999us;
    EXPECT_EQ(lastCheckDateText(t), "2024-12-31T23_59_59Z");
}

TEST_F(DateText, EarlyDatesKeepFourDigitYears) {
    const platform::TimePoint t = sys_days{2001y / January / 1} + 0s;
    EXPECT_EQ(lastCheckDateText(t), "2001-01-01T00_00_00Z");
}

} // namespace
} // namespace scanbrook::reports
