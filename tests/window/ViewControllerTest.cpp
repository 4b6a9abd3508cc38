#include "window/ViewController.h"

#include "reports/ReportTexts.h"
#include "support/ControllerHarness.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

namespace scanbrook {
namespace {

using test::ControllerHarness;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct StoredCase {
    const char* name;
    std::optional<double> fontSize;
    std::optional<std::int64_t> period;
    double loadedFontSize;
    std::int64_t loadedPeriod;
};

class StoredSettings : public ::testing::TestWithParam<StoredCase> {};

// An unusable font size falls back to 12; the period goes through the stepper's 1 to 30.
TEST_P(StoredSettings, LoadWithTheirFallBacks) {
    const StoredCase& c = GetParam();
    ControllerHarness h;
    if (c.fontSize) {
        h.defaults.setDouble(*c.fontSize, "fontSize");
    }
    if (c.period) {
        h.defaults.setInteger(*c.period, "timePeriod");
    }
    h.show();
    EXPECT_EQ(h.controller->fontSize(), c.loadedFontSize);
    EXPECT_EQ(h.controller->timePeriod(), c.loadedPeriod);
    EXPECT_EQ(h.stepper.value, c.loadedPeriod);
    EXPECT_EQ(h.field.text, std::to_string(c.loadedPeriod));
}

INSTANTIATE_TEST_SUITE_P(
    Fallbacks, StoredSettings,
    ::testing::Values(
        StoredCase{"NothingStored", {}, {}, 12.0, 1}, StoredCase{"Stored", 16.5, 9, 16.5, 9},
        StoredCase{"FontJustBelowFour", 3.9, {}, 12.0, 1}, StoredCase{"FontFour", 4.0, {}, 4.0, 1},
        // Kept exactly, above what the buttons reach; only the toolkit caps it.
        StoredCase{"FontThirty", 30.0, {}, 30.0, 1}, StoredCase{"FontHuge", 1e300, {}, 1e300, 1},
        StoredCase{"FontNegative", -8.0, {}, 12.0, 1}, StoredCase{"FontNaN", kNaN, {}, 12.0, 1},
        StoredCase{"FontInfinite", kInfinity, {}, 12.0, 1},
        StoredCase{"PeriodZero", {}, 0, 12.0, 1}, StoredCase{"PeriodThirty", {}, 30, 12.0, 30}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(ViewController, AppearingTakesTheWindowRecordsTheTimeAndHidesTheSpinner) {
    ControllerHarness h;
    h.clock.time = platform::TimePoint(std::chrono::seconds(1'709'631'667));
    h.spinner.hidden = false;
    h.show();
    EXPECT_EQ(h.window.delegate, h.controller.get());
    EXPECT_EQ(h.controller->lastRunDate(), h.clock.time);
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_TRUE(h.window.title.starts_with("Scanbrook : XProtect Remediator version "));
}

struct FieldCase {
    const char* text;
    std::int64_t period;
};

class PeriodFromField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(PeriodFromField, ClampsAndShowsTheValueInForce) {
    ControllerHarness h;
    h.show();
    h.field.text = GetParam().text;
    h.controller->testSetPeriod();
    EXPECT_EQ(h.controller->timePeriod(), GetParam().period);
    EXPECT_EQ(h.stepper.value, GetParam().period);
    EXPECT_EQ(h.field.text, std::to_string(GetParam().period));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PeriodFromField,
    ::testing::Values(FieldCase{"", 1}, FieldCase{"abc", 1}, FieldCase{"0", 1}, FieldCase{"-3", 1},
                      FieldCase{"7", 7}, FieldCase{"30", 30}, FieldCase{"31", 30},
                      FieldCase{" 12 ", 12}, FieldCase{"7.9", 7}, FieldCase{"+4", 4},
                      FieldCase{"1,000", 1}, FieldCase{"1e3", 1},
                      FieldCase{"9223372036854775807", 30}, FieldCase{"-9223372036854775808", 1},
                      // Beyond the integer range: clamped, never overflowed.
                      FieldCase{"99999999999999999999999", 30},
                      FieldCase{"-99999999999999999999999", 1}));

TEST(ViewController, ClosingStoresThePeriodAndEndsTheApplicationOnce) {
    ControllerHarness h;
    h.show();
    h.field.text = "9";
    h.controller->testSetPeriod();
    EXPECT_TRUE(h.controller->windowShouldClose());
    EXPECT_EQ(h.defaults.integerForKey("timePeriod"), 9);
    EXPECT_EQ(h.application.terminations, 1);
    // The font size is stored by its own actions, never on close.
    EXPECT_FALSE(h.defaults.values.contains("fontSize"));
}

struct FontStepCase {
    double start;
    bool increase;
    double result;
};

class FontSizeAction : public ::testing::TestWithParam<FontStepCase> {};

TEST_P(FontSizeAction, StaysWithinFourToTwentyFourIsStoredAndRefontsTheConsole) {
    ControllerHarness h;
    h.defaults.setDouble(GetParam().start, "fontSize");
    h.show();
    h.controller->setOutputText("report\n");
    GetParam().increase ? h.controller->incFontSize() : h.controller->decFontSize();
    EXPECT_EQ(h.controller->fontSize(), GetParam().result);
    EXPECT_EQ(h.defaults.doubleForKey("fontSize"), GetParam().result);
    EXPECT_EQ(h.console.refonts, 1);
    EXPECT_EQ(h.console.text, "report\n");
    EXPECT_EQ(h.console.sizes, std::vector<double>(7, GetParam().result));
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, FontSizeAction,
    ::testing::Values(FontStepCase{12.0, true, 13.0}, FontStepCase{12.0, false, 11.0},
                      FontStepCase{24.0, true, 24.0}, FontStepCase{23.5, true, 24.0},
                      FontStepCase{4.0, false, 4.0}, FontStepCase{4.5, false, 4.0},
                      FontStepCase{30.0, true, 24.0}, FontStepCase{30.0, false, 29.0}));

TEST(ViewController, ConsoleGetsExactlyWhatIsPassedInTheSizeInForce) {
    ControllerHarness h;
    h.show();
    h.controller->setOutputText("old");
    h.controller->setOutputText("");
    h.controller->appendOutputText("a");
    h.controller->incFontSize();
    h.controller->appendOutputText("b");
    EXPECT_EQ(h.console.text, "ab");
    EXPECT_EQ(h.console.sizes, (std::vector<double>{13.0, 13.0}));
}

TEST(ViewController, WorkThatGetsNoThreadEndsThePressWithTheFailureInTheConsole) {
    const test::UsingPlatformRoot usingRoot(test::builtSimRoot()); // a scanner to run
    ControllerHarness h(ControllerHarness::Work::NoThreads);
    h.show();
    h.controller->setOutputText("report");
    h.controller->doCheckXPR();
    h.controller->doRunXPro();
    const std::string failure(reports::kWorkNotStartedText);
    EXPECT_EQ(h.console.text, "report" + failure + failure);
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_FALSE(h.spinner.animating);
}

} // namespace
} // namespace scanbrook
