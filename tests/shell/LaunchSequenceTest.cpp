#include "app/AppDelegate.h"

#include "support/Fakes.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace scanbrook {
namespace {

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

class RecordingAlerts final : public platform::AlertPresenter {
public:
    explicit RecordingAlerts(Events& events) : events_(events) {}
    std::vector<platform::AlertRequest> shown;
    int runModal(const platform::AlertRequest& request) override {
        shown.push_back(request);
        events_.push_back("alert: " + request.informativeText);
        return kFirstButton;
    }

private:
    Events& events_;
};

class RecordingApplication final : public platform::Application {
public:
    explicit RecordingApplication(Events& events) : events_(events) {}
    void terminate() override { events_.emplace_back("terminate"); }

private:
    Events& events_;
};

class CountingHelpWindow final : public HelpWindowController {
public:
    explicit CountingHelpWindow(int& shows) : shows_(shows) {}
    void showWindow() override { ++shows_; }

private:
    int& shows_;
};

constexpr double kDay = 86400.0;
// 2024-03-05 09:41:07 UTC, as seconds since 2001-01-01.
constexpr double kNowSinceReference = 731324467.0;

struct Launch {
    Events events;
    test::FakeDefaults defaults;
    test::FakeClock clock;
    RecordingApplication application{events};
    RecordingAlerts alerts{events};
    std::array<bool, 5> results{true, true, true, true, true};
    int helpShows = 0;

    Launch() {
        // 2001-01-01 is 978307200 seconds after 1970-01-01.
        clock.time = platform::TimePoint(
            std::chrono::seconds(static_cast<long long>(kNowSinceReference) + 978307200LL));
    }

    AppDelegate delegate() {
        return AppDelegate(AppDelegateServices{
            defaults, clock, application, alerts,
            [this] {
                events.emplace_back("checkForUpdates");
                // The time stored afterwards is read afresh, after the check has started.
                clock.time += std::chrono::seconds(5);
            },
            [this] { return std::make_unique<CountingHelpWindow>(helpShows); },
            [this](const std::string& script) {
                events.push_back("script " + std::to_string(script.size()));
            },
            [this] { return std::make_unique<ScriptedChecks>(results, events); }});
    }
    void run() { delegate().applicationDidFinishLaunching(); }
};

const Events kAllChecks = {"checkAdmin", "checkPersist", "checkTimesync", "checkLogEntries",
                           "checkLogTimeFormat"};

struct FailureCase {
    std::size_t failing;
    Events expected;
};

class FailingCheck : public ::testing::TestWithParam<FailureCase> {};

TEST_P(FailingCheck, ShowsItsAlertEndsTheApplicationAndRunsNothingMore) {
    Launch launch;
    launch.defaults.setDouble(kNowSinceReference, "dateLastUpdateCheck"); // not due
    launch.results[GetParam().failing] = false;
    launch.run();
    EXPECT_EQ(launch.events, GetParam().expected);
    ASSERT_EQ(launch.alerts.shown.size(), 1U);
    EXPECT_EQ(launch.alerts.shown[0].messageText, "An error occurred:");
    EXPECT_EQ(launch.alerts.shown[0].style, platform::AlertStyle::Critical);
    EXPECT_EQ(launch.alerts.shown[0].buttons, std::vector<std::string>{"OK"});
}

INSTANTIATE_TEST_SUITE_P(
    EachCheck, FailingCheck,
    ::testing::Values(
        FailureCase{0,
                    {"checkAdmin",
                     "alert: Scanbrook can't get logs unless you're an admin user.\nPlease "
                     "switch to an admin account and try again.",
                     "terminate"}},
        FailureCase{1,
                    {"checkAdmin", "checkPersist",
                     "alert: Scanbrook can't find any log files on your Mac.", "terminate"}},
        FailureCase{2,
                    {"checkAdmin", "checkPersist", "checkTimesync",
                     "alert: Scanbrook can't find log timesync files on your Mac.", "terminate"}},
        FailureCase{3,
                    {"checkAdmin", "checkPersist", "checkTimesync", "checkLogEntries",
                     "alert: Scanbrook can't find any log entries on your Mac.", "terminate"}},
        FailureCase{4,
                    {"checkAdmin", "checkPersist", "checkTimesync", "checkLogEntries",
                     "checkLogTimeFormat", "script 173",
                     "alert: Log time format is incorrect.\nPlease set the time in the Language "
                     "& Region pane to 24-hour.",
                     "terminate"}}));

TEST(LaunchSequence, AllChecksPassingShowsNothing) {
    Launch launch;
    launch.defaults.setDouble(kNowSinceReference, "dateLastUpdateCheck");
    launch.run();
    EXPECT_EQ(launch.events, kAllChecks);
}

TEST(LaunchSequence, EveryCheckFailingStillGivesOneAlertAndOneTermination) {
    Launch launch;
    launch.defaults.setDouble(kNowSinceReference, "dateLastUpdateCheck");
    launch.results = {false, false, false, false, false};
    launch.run();
    EXPECT_EQ(launch.alerts.shown.size(), 1U);
    EXPECT_EQ(std::count(launch.events.begin(), launch.events.end(), "terminate"), 1);
}

struct ScheduleCase {
    const char* name;
    std::optional<bool> noUpdateCheck;
    std::optional<double> interval;
    std::optional<double> sinceLast; // seconds before now; nullopt: never checked
    bool expectCheck;
};

class UpdateSchedule : public ::testing::TestWithParam<ScheduleCase> {};

TEST_P(UpdateSchedule, ChecksOnlyWhenMoreThanTheIntervalHasPassed) {
    Launch launch;
    const auto& c = GetParam();
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

    const bool checked = !launch.events.empty() && launch.events.front() == "checkForUpdates";
    EXPECT_EQ(checked, c.expectCheck);
    if (c.expectCheck) {
        // Stored after the check returned, from a fresh reading of the clock.
        EXPECT_EQ(launch.defaults.doubleForKey("dateLastUpdateCheck"), kNowSinceReference + 5);
        EXPECT_EQ(launch.events.size(), kAllChecks.size() + 1);
    } else {
        EXPECT_EQ(launch.defaults.doubleForKey("dateLastUpdateCheck"), storedBefore);
        EXPECT_EQ(launch.events, kAllChecks);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, UpdateSchedule,
    ::testing::Values(
        ScheduleCase{"FirstLaunch", std::nullopt, std::nullopt, std::nullopt, true},
        ScheduleCase{"TurnedOff", true, std::nullopt, std::nullopt, false},
        ScheduleCase{"TurnedOffExplicitlyFalse", false, std::nullopt, std::nullopt, true},
        ScheduleCase{"JustUnderTwelveHours", std::nullopt, std::nullopt, 43199.0, false},
        ScheduleCase{"ExactlyTwelveHours", std::nullopt, std::nullopt, 43200.0, false},
        ScheduleCase{"JustOverTwelveHours", std::nullopt, std::nullopt, 43201.0, true},
        ScheduleCase{"OwnIntervalNotYet", std::nullopt, kDay, kDay, false},
        ScheduleCase{"OwnIntervalPassed", std::nullopt, kDay, kDay + 1, true},
        ScheduleCase{"IntervalOneSecond", std::nullopt, 1.0, 2.0, true},
        ScheduleCase{"IntervalBelowOneMeansTwelveHours", std::nullopt, 0.5, 3600.0, false},
        ScheduleCase{"NegativeIntervalMeansTwelveHours", std::nullopt, -10.0, 43201.0, true},
        ScheduleCase{"NaNIntervalMeansTwelveHours", std::nullopt,
                     std::numeric_limits<double>::quiet_NaN(), 43201.0, true},
        ScheduleCase{"LastCheckInTheFuture", std::nullopt, std::nullopt, -kDay, false}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(LaunchSequence, UnusableLastCheckTimeDoesNotStopChecksForGood) {
    Launch launch;
    launch.defaults.setDouble(std::numeric_limits<double>::quiet_NaN(), "dateLastUpdateCheck");
    launch.run();
    ASSERT_FALSE(launch.events.empty());
    EXPECT_EQ(launch.events.front(), "checkForUpdates");
}

TEST(Help, EveryRequestOpensAndKeepsANewWindow) {
    Launch launch;
    AppDelegate delegate = launch.delegate();
    delegate.openHelp();
    delegate.openHelp();
    EXPECT_EQ(launch.helpShows, 2);
    EXPECT_EQ(delegate.helpWindows().size(), 2U);
    EXPECT_NE(delegate.helpWindows()[0].get(), delegate.helpWindows()[1].get());
    EXPECT_TRUE(delegate.applicationSupportsSecureRestorableState());
}

} // namespace
} // namespace scanbrook
