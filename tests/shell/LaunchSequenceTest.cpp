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

/// Runs no check: records its name and answers as told.
struct ScriptedChecks final : LaunchChecks {
    ScriptedChecks(std::array<bool, 5> r, Events& e) : results(r), events(e) {}
    bool checkAdmin() override { return run("checkAdmin", 0); }
    bool checkPersist() override { return run("checkPersist", 1); }
    bool checkTimesync() override { return run("checkTimesync", 2); }
    bool checkLogEntries() override { return run("checkLogEntries", 3); }
    bool checkLogTimeFormat() override { return run("checkLogTimeFormat", 4); }
    bool run(const char* name, std::size_t i) {
        events.emplace_back(name);
        return results[i];
    }
    std::array<bool, 5> results;
    Events& events;
};

struct RecordingApplication final : platform::Application {
    explicit RecordingApplication(Events& e) : events(e) {}
    void terminate() override { events.emplace_back("terminate"); }
    Events& events;
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
    void run() {
        AppDelegate(AppDelegateServices{
                        defaults, clock, application, alerts,
                        [this] {
                            events.emplace_back("checkForUpdates");
                            // The time stored afterwards is read afresh, after the check started.
                            clock.time += std::chrono::seconds(5);
                        },
                        [] { return nullptr; },
                        [this] { events.emplace_back("open clock settings"); },
                        [this] { return std::make_unique<ScriptedChecks>(results, events); }})
            .applicationDidFinishLaunching();
    }
};

const Events kAllChecks = {"checkAdmin", "checkPersist", "checkTimesync", "checkLogEntries",
                           "checkLogTimeFormat"};

TEST(LaunchSequence, AFailingCheckShowsItsAlertEndsTheApplicationAndRunsNothingMore) {
    // What happens between each failing check and the termination.
    const Events then[] = {
        {"alert: Scanbrook can't get logs unless you're an admin user.\nPlease switch to an "
         "admin account and try again."},
        {"alert: Scanbrook can't find any log files on your Mac."},
        {"alert: Scanbrook can't find log timesync files on your Mac."},
        {"alert: Scanbrook can't find any log entries on your Mac."},
        // The clock settings open (the request handed on) before the alert.
        {"open clock settings",
         "alert: Log time format is incorrect.\nPlease set the time in the Language & Region pane "
         "to 24-hour."}};
    for (std::size_t failing = 0; failing < kAllChecks.size(); ++failing) {
        Launch launch;
        launch.defaults.setDouble(kNowSinceReference, "dateLastUpdateCheck"); // none due
        launch.results[failing] = false;
        launch.run();
        Events expected(kAllChecks.begin(), kAllChecks.begin() + static_cast<long>(failing) + 1);
        expected.insert(expected.end(), then[failing].begin(), then[failing].end());
        expected.emplace_back("terminate");
        EXPECT_EQ(launch.events, expected);
        ASSERT_EQ(launch.alerts.shown.size(), 1U);
        EXPECT_EQ(launch.alerts.shown[0].messageText, "An error occurred:");
        EXPECT_EQ(launch.alerts.shown[0].style, platform::AlertStyle::Critical);
        EXPECT_EQ(launch.alerts.shown[0].buttons, std::vector<std::string>{"OK"});
    }
}

TEST(LaunchSequence, ChecksForUpdatesOnlyWhenMoreThanTheIntervalHasPassed) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        std::optional<bool> noUpdateCheck;
        std::optional<double> interval;
        std::optional<double> sinceLast; // seconds before now; nullopt: never checked
        bool checks;
    };
    const Case cases[] = {{"FirstLaunch", {}, {}, {}, true},
                          {"TurnedOff", true, {}, {}, false},
                          {"ExactlyTwelveHours", {}, {}, 43200.0, false},
                          {"JustOverTwelveHours", {}, {}, 43201.0, true},
                          {"OwnIntervalPassed", {}, kDay, kDay + 1, true},
                          {"IntervalBelowOneMeansTwelveHours", {}, 0.5, 3600.0, false},
                          {"IntervalOfOneSecondIsKept", {}, 1.0, 2.0, true},
                          {"NegativeIntervalMeansTwelveHours", {}, -kDay, 3600.0, false},
                          {"NaNIntervalMeansTwelveHours", {}, kNaN, 43201.0, true},
                          {"LastCheckInTheFuture", {}, {}, -kDay, false},
                          // An unusable stored time must not stop the checks for good.
                          {"LastCheckNaN", {}, {}, kNaN, true}};
    for (const Case& c : cases) {
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
        EXPECT_EQ(launch.events, expected) << c.name;
        // Stored after the check returned, from a fresh reading of the clock.
        EXPECT_EQ(launch.defaults.doubleForKey("dateLastUpdateCheck"),
                  c.checks ? kNowSinceReference + 5 : storedBefore)
            << c.name;
    }
}

} // namespace
} // namespace scanbrook
