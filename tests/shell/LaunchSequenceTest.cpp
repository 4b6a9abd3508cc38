#include "app/AppDelegate.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

namespace scanbrook {
namespace {

/// Everything the launch did, in order.
using Events = std::vector<std::string>;

class ScriptedChecks final : public LaunchChecks {
public:
    ScriptedChecks(std::array<bool, 5> results, Events& events)
        : results_(results), events_(events) {}
    bool checkAdmin() override { return run("checkAdmin", 0); }
    bool checkPersist() override { return run("checkPersist", 1); }
    bool checkTimesync() override { return run("checkTimesync", 2); }
    bool checkLogEntries() override { return run("checkLogEntries", 3); }
    bool checkLogTimeFormat() override { return run("checkLogTimeFormat", 4); }
    const std::string& clockScript() const override { return script_; }

private:
    bool run(const char* name, std::size_t i) {
        events_.emplace_back(name);
        return results_[i];
    }
    std::array<bool, 5> results_;
    Events& events_;
    std::string script_ = deDysfunction().setClockScript;
};

class RecordingApplication final : public platform::Application {
public:
    explicit RecordingApplication(Events& events) : events_(events) {}
    void terminate() override { events_.emplace_back("terminate"); }

private:
    Events& events_;
};

/// Help is not asked for at launch; the real window's tests open it.
class UnusedHelpWindow final : public HelpWindowController {
public:
    void showWindow() override { ADD_FAILURE() << "help opened at launch"; }
};

// 2024-03-05 09:41:07 UTC, as seconds since 2001-01-01 (978307200 s after 1970-01-01).
constexpr double kNowSinceReference = 731324467.0;
constexpr double kDay = 86400.0;

struct Launch {
    Events events;
    test::FakeDefaults defaults;
    test::FakeClock clock;
    RecordingApplication application{events};
    test::FakeAlertPresenter alerts;
    std::array<bool, 5> results{true, true, true, true, true};

    Launch() {
        clock.time = platform::TimePoint(
            std::chrono::seconds(static_cast<long long>(kNowSinceReference) + 978307200LL));
        alerts.answer = [this](const platform::AlertRequest& alert) {
            events.push_back("alert: " + alert.informativeText);
            return platform::AlertPresenter::kFirstButton;
        };
    }
    AppDelegate delegate() {
        return AppDelegate(AppDelegateServices{
            defaults, clock, application, alerts,
            [this] {
                events.emplace_back("checkForUpdates");
                // The time stored afterwards is read afresh, after the check has started.
                clock.time += std::chrono::seconds(5);
            },
            [] { return std::make_unique<UnusedHelpWindow>(); },
            [this](const std::string& script) {
                events.push_back("script " + std::to_string(script.size()));
            },
            [this] { return std::make_unique<ScriptedChecks>(results, events); }});
    }
    void run() { delegate().applicationDidFinishLaunching(); }
    void updateCheckNotDue() { defaults.setDouble(kNowSinceReference, "dateLastUpdateCheck"); }
};

const Events kAllChecks = {"checkAdmin", "checkPersist", "checkTimesync", "checkLogEntries",
                           "checkLogTimeFormat"};

/// Which check fails, and what happens between it and the termination.
using FailureCase = std::pair<std::size_t, Events>;

class FailingCheck : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailingCheck, ShowsItsAlertEndsTheApplicationAndRunsNothingMore) {
    const auto& [failing, then] = GetParam();
    Launch launch;
    launch.updateCheckNotDue();
    launch.results[failing] = false;
    launch.run();
    Events expected(kAllChecks.begin(), kAllChecks.begin() + static_cast<long>(failing) + 1);
    expected.insert(expected.end(), then.begin(), then.end());
    expected.emplace_back("terminate");
    EXPECT_EQ(launch.events, expected);
    ASSERT_EQ(launch.alerts.shown.size(), 1U);
    EXPECT_EQ(launch.alerts.shown[0].messageText, "An error occurred:");
    EXPECT_EQ(launch.alerts.shown[0].style, platform::AlertStyle::Critical);
    EXPECT_EQ(launch.alerts.shown[0].buttons, std::vector<std::string>{"OK"});
}

INSTANTIATE_TEST_SUITE_P(
    EachCheck, FailingCheck,
    ::testing::Values(
        FailureCase{0,
                    {"alert: Scanbrook can't get logs unless you're an admin user.\nPlease "
                     "switch to an admin account and try again."}},
        FailureCase{1, {"alert: Scanbrook can't find any log files on your Mac."}},
        FailureCase{2, {"alert: Scanbrook can't find log timesync files on your Mac."}},
        FailureCase{3, {"alert: Scanbrook can't find any log entries on your Mac."}},
        // The clock settings open (the script runs to its end) before the alert.
        FailureCase{4,
                    {"script 173", "alert: Log time format is incorrect.\nPlease set the "
                                   "time in the Language & Region pane to 24-hour."}}));

struct ScheduleCase {
    const char* name;
    std::optional<bool> noUpdateCheck;
    std::optional<double> interval;
    std::optional<double> sinceLast; // seconds before now; nullopt: never checked
    bool checks;
};

class UpdateSchedule : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(UpdateSchedule, ChecksOnlyWhenMoreThanTheIntervalHasPassed) {
    const ScheduleCase& c = GetParam();
    Launch launch;
    if (c.noUpdateCheck) {
        launch.defaults.values.insert_or_assign("noUpdateCheck", *c.noUpdateCheck);
    }
    if (c.interval) {
        launch.defaults.setDouble(*c.interval, "updateCheckInt");
    }
    if (c.sinceLast) {
        launch.defaults.setDouble(kNowSinceReference - *c.sinceLast, "dateLastUpdateCheck");
    }
    const double storedBefore = launch.defaults.doubleForKey("dateLastUpdateCheck");
    launch.run();

    Events expected = kAllChecks;
    if (c.checks) {
        expected.insert(expected.begin(), "checkForUpdates");
    }
    EXPECT_EQ(launch.events, expected);
    // Stored after the check returned, from a fresh reading of the clock.
    EXPECT_EQ(launch.defaults.doubleForKey("dateLastUpdateCheck"),
              c.checks ? kNowSinceReference + 5 : storedBefore);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Boundaries, UpdateSchedule,
    ::testing::Values(ScheduleCase{"FirstLaunch", {}, {}, {}, true},
                      ScheduleCase{"TurnedOff", true, {}, {}, false},
                      ScheduleCase{"ExplicitlyOn", false, {}, {}, true},
                      ScheduleCase{"ExactlyTwelveHours", {}, {}, 43200.0, false},
                      ScheduleCase{"JustOverTwelveHours", {}, {}, 43201.0, true},
                      ScheduleCase{"OwnIntervalExactly", {}, kDay, kDay, false},
                      ScheduleCase{"OwnIntervalPassed", {}, kDay, kDay + 1, true},
                      ScheduleCase{"IntervalBelowOneMeansTwelveHours", {}, 0.5, 3600.0, false},
                      ScheduleCase{"IntervalOfOneSecondIsKept", {}, 1.0, 2.0, true},
                      ScheduleCase{"NegativeIntervalMeansTwelveHours", {}, -kDay, 3600.0, false},
                      ScheduleCase{"NaNIntervalMeansTwelveHours", {}, kNaN, 43201.0, true},
                      ScheduleCase{"LastCheckInTheFuture", {}, {}, -kDay, false},
                      // An unusable stored time must not stop the checks for good.
                      ScheduleCase{"LastCheckNaN", {}, {}, kNaN, true}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace scanbrook
