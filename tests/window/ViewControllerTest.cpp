#include "window/ViewController.h"

#include "platform/NumberFormatter.h"
#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace scanbrook {
namespace {

using test::FakeDefaults;

/// A controller wired to fakes, loaded and shown as the window's layout would do it.
struct Harness {
    test::FakeDefaults defaults;
    test::FakeClock clock;
    test::FakeApplication application;
    test::FakeSavePanel savePanel;
    std::shared_ptr<test::ManualQueue> mainQueue = std::make_shared<test::ManualQueue>();
    test::ManualQueue* workQueue = nullptr;
    test::FakeTextField field;
    test::FakeStepper stepper;
    platform::DecimalNumberFormatter formatter;
    test::FakeConsole console;
    test::FakeSpinner spinner;
    test::FakeWindow window;
    std::unique_ptr<ViewController> controller;

    explicit Harness(FakeDefaults stored = {}) : defaults(std::move(stored)) {
        auto queue = std::make_unique<test::ManualQueue>();
        workQueue = queue.get();
        controller = std::make_unique<ViewController>(ViewControllerServices{
            defaults, clock, application, savePanel, mainQueue, std::move(queue)});
        controller->setTextTimePeriod(&field);
        controller->setPeriodStep(&stepper);
        controller->setPeriodStepFormatter(&formatter);
        controller->setOutputTextbox(&console);
        controller->setBusySpinner(&spinner);
        controller->setViewWindow(&window);
    }
    void load() { controller->viewDidLoad(); }
    void show() {
        load();
        controller->viewDidAppear();
    }
};

FakeDefaults storedFontSize(double size) {
    FakeDefaults d;
    d.setDouble(size, "fontSize");
    return d;
}

FakeDefaults storedPeriod(std::int64_t days) {
    FakeDefaults d;
    d.setInteger(days, "timePeriod");
    return d;
}

TEST(ViewControllerSettings, FirstLaunchUsesTheDefaults) {
    Harness h;
    h.show();
    EXPECT_EQ(h.controller->fontSize(), 12.0);
    EXPECT_EQ(h.controller->timePeriod(), 1);
    EXPECT_EQ(h.stepper.value, 1);
    EXPECT_EQ(h.field.text, "1");
    EXPECT_TRUE(h.controller->lastRunDate().has_value());
}

struct FontSizeCase {
    double stored;
    double expected;
};

class StoredFontSize : public ::testing::TestWithParam<FontSizeCase> {};

TEST_P(StoredFontSize, LoadsWithTheFallBackBelowFour) {
    Harness h(storedFontSize(GetParam().stored));
    h.load();
    EXPECT_EQ(h.controller->fontSize(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Fallbacks, StoredFontSize,
    ::testing::Values(FontSizeCase{0.0, 12.0}, FontSizeCase{3.9, 12.0}, FontSizeCase{-8.0, 12.0},
                      FontSizeCase{4.0, 4.0}, FontSizeCase{30.0, 30.0}, FontSizeCase{1e300, 1e300},
                      FontSizeCase{std::numeric_limits<double>::quiet_NaN(), 12.0},
                      FontSizeCase{std::numeric_limits<double>::infinity(), 12.0},
                      FontSizeCase{-std::numeric_limits<double>::infinity(), 12.0}));

struct PeriodCase {
    std::int64_t stored;
    std::int64_t expected;
};

class StoredPeriod : public ::testing::TestWithParam<PeriodCase> {};

TEST_P(StoredPeriod, GoesThroughTheStepper) {
    Harness h(storedPeriod(GetParam().stored));
    h.show();
    EXPECT_EQ(h.controller->timePeriod(), GetParam().expected);
    EXPECT_EQ(h.stepper.value, GetParam().expected);
    EXPECT_EQ(h.field.text, std::to_string(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Fallbacks, StoredPeriod,
                         ::testing::Values(PeriodCase{0, 1}, PeriodCase{9, 9}, PeriodCase{30, 30},
                                           PeriodCase{45, 30}, PeriodCase{-3, 1}));

TEST(ViewControllerSettings, NoWindowLeavesTitleAndDelegateButFinishesTheRest) {
    Harness h;
    h.controller->setViewWindow(nullptr);
    h.spinner.hidden = false;
    h.show();
    EXPECT_EQ(h.window.delegate, nullptr);
    EXPECT_EQ(h.window.title, "");
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_TRUE(h.controller->lastRunDate().has_value());
    EXPECT_EQ(h.field.text, "1");
}

TEST(ViewControllerSettings, AppearingMakesTheControllerTheDelegateAndRecordsTheTime) {
    Harness h;
    h.clock.time = platform::TimePoint(std::chrono::seconds(1'709'631'667));
    h.show();
    EXPECT_EQ(h.window.delegate, h.controller.get());
    EXPECT_EQ(h.controller->lastRunDate(), h.clock.time);
    EXPECT_TRUE(h.window.title.starts_with("Scanbrook : XProtect Remediator version "));
}

struct FieldCase {
    const char* text;
    std::int64_t expected;
};

class PeriodFromField : public ::testing::TestWithParam<FieldCase> {};

TEST_P(PeriodFromField, ClampsAndShowsTheValueInForce) {
    Harness h;
    h.show();
    h.field.text = GetParam().text;
    h.controller->testSetPeriod();
    EXPECT_EQ(h.controller->timePeriod(), GetParam().expected);
    EXPECT_EQ(h.stepper.value, GetParam().expected);
    EXPECT_EQ(h.field.text, std::to_string(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, PeriodFromField,
    ::testing::Values(FieldCase{"", 1}, FieldCase{"abc", 1}, FieldCase{"0", 1}, FieldCase{"-3", 1},
                      FieldCase{"31", 30}, FieldCase{"500", 30}, FieldCase{"30", 30},
                      FieldCase{"7", 7}, FieldCase{" 12 ", 12}, FieldCase{"7.9", 7},
                      FieldCase{"+4", 4}, FieldCase{"1,000", 1}, FieldCase{"1e3", 1},
                      FieldCase{"99999999999999999999999", 30},
                      FieldCase{"-99999999999999999999999", 1},
                      FieldCase{"9223372036854775807", 30}, FieldCase{"-9223372036854775808", 1}));

TEST(ViewControllerPeriod, StepperValueIsTakenWithoutClamping) {
    Harness h;
    h.show();
    h.stepper.value = 12;
    h.controller->stepSetPeriod();
    EXPECT_EQ(h.controller->timePeriod(), 12);
    EXPECT_EQ(h.field.text, "12");
}

TEST(ViewControllerClose, StoresThePeriodAndEndsTheApplicationOnce) {
    Harness h;
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
    double expected;
};

class FontSizeAction : public ::testing::TestWithParam<FontStepCase> {};

TEST_P(FontSizeAction, StaysWithinFourToTwentyFourAndIsStoredAndApplied) {
    Harness h(storedFontSize(GetParam().start));
    h.show();
    h.controller->setOutputText("report\n");
    if (GetParam().increase) {
        h.controller->incFontSize();
    } else {
        h.controller->decFontSize();
    }
    EXPECT_EQ(h.controller->fontSize(), GetParam().expected);
    EXPECT_EQ(h.defaults.doubleForKey("fontSize"), GetParam().expected);
    EXPECT_EQ(h.console.refonts, 1);
    EXPECT_EQ(h.console.text, "report\n");
    for (double size : h.console.sizes) {
        EXPECT_EQ(size, GetParam().expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bounds, FontSizeAction,
    ::testing::Values(FontStepCase{12.0, true, 13.0}, FontStepCase{12.0, false, 11.0},
                      FontStepCase{24.0, true, 24.0}, FontStepCase{23.5, true, 24.0},
                      FontStepCase{4.0, false, 4.0}, FontStepCase{4.5, false, 4.0},
                      FontStepCase{30.0, true, 24.0}, FontStepCase{30.0, false, 29.0}));

TEST(ViewControllerConsole, WritesExactlyWhatIsPassedInTheCurrentSize) {
    Harness h;
    h.show();
    h.controller->setOutputText("old");
    h.controller->setOutputText("");
    EXPECT_EQ(h.console.text, "");
    h.controller->appendOutputText("a");
    h.controller->incFontSize();
    h.controller->appendOutputText("b");
    EXPECT_EQ(h.console.text, "ab");
    EXPECT_EQ(h.console.sizes, (std::vector<double>{13.0, 13.0}));
}

TEST(ViewControllerConsole, ResizingAnEmptyConsoleStoresTheSizeAndWritesNothing) {
    Harness h;
    h.show();
    h.controller->incFontSize();
    EXPECT_EQ(h.console.text, "");
    EXPECT_EQ(h.defaults.doubleForKey("fontSize"), 13.0);
}

TEST(ViewControllerConsole, WithoutAConsoleNothingIsWrittenAndNothingBreaks) {
    Harness h;
    h.show();
    h.controller->setOutputTextbox(nullptr);
    h.controller->setOutputText("x");
    h.controller->appendOutputText("y");
    h.controller->incFontSize();
    EXPECT_EQ(h.console.text, "");
    EXPECT_EQ(h.controller->fontSize(), 13.0);
}

} // namespace
} // namespace scanbrook
