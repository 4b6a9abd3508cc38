// Many presses of check and run in quick succession, through the window's controller with its
// real work queue, against the simulated log tool answering after random delays. The
// completions run on this thread, as the main queue runs them in the application. Under
// ThreadSanitizer this is the concurrency test of the Qt-free core.

#include "reports/ReportTexts.h"
#include "support/ControllerHarness.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace scanbrook {
namespace {

using namespace std::chrono_literals;

constexpr int kChecks = 25;
constexpr int kRuns = 25;
const platform::TimePoint kPressTime{std::chrono::seconds(1'709'631'667)};
const std::string kNotice(reports::kRunCompletionNotice);

const char* const kEntries = R"([{"timestamp" : "2024-03-05 10:02:11.000001+0100",
  "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "{\"status_code\":1}"}])";
const char* const kLine =
    "2024-03-05 10:02:11.000  KeySteal      \xE2\x9A\xA0\xEF\xB8\x8F{\"status_code\":1}\n";

std::string reportOf(int period) {
    return reports::checkTexts(period).header + kLine + reports::closingLine(kPressTime);
}

TEST(Stress, FiftyPressesCompleteOnceEachAndTheLastCheckStaysAboveLaterNotices) {
    test::TempSimRoot root;
    root.setControl("log.delay", "random:0-150");
    root.setControl("log.query.output", kEntries);
    root.setControl("xprotect.duration", "0.05");
    const test::UsingPlatformRoot usingRoot(root.path());
    test::ControllerHarness h(test::ControllerHarness::Work::Real);
    h.show();
    h.clock.time = kPressTime;

    // 25 checks, for the periods 1 to 25 (so that each report tells which check it is), and
    // 25 runs (0), in a shuffled order that is the same on every run of the test.
    std::vector<int> presses(kRuns, 0);
    for (int period = 1; period <= kChecks; ++period) {
        presses.push_back(period);
    }
    std::shuffle(presses.begin(), presses.end(), std::mt19937(20240305));

    // What each completion was, told by what it did to the console: a check's period, 0 for a run.
    // False, with the failure recorded, at the first completion that was neither.
    std::vector<int> finished;
    const auto runCompletions = [&] {
        for (std::string before = h.console.text; h.mainQueue->runOne(); before = h.console.text) {
            int period = 0;
            for (int candidate = 1; candidate <= kChecks; ++candidate) {
                period = h.console.text == reportOf(candidate) ? candidate : period;
            }
            if (period == 0 && h.console.text != before + kNotice) {
                ADD_FAILURE() << "neither a report nor a notice appended:\n" << h.console.text;
                return false;
            }
            finished.push_back(period);
        }
        return true;
    };
    for (const int period : presses) {
        if (period == 0) {
            h.controller->doRunXPro();
        } else {
            h.field.text = std::to_string(period);
            h.controller->doCheckXPR();
        }
        EXPECT_FALSE(h.spinner.hidden);
        // What has finished meanwhile, as the event loop would run it.
        ASSERT_TRUE(runCompletions());
    }
    while (finished.size() < presses.size()) {
        ASSERT_TRUE(h.mainQueue->waitFor(1, 60s)) << finished.size() << " presses completed";
        ASSERT_TRUE(runCompletions());
    }

    // Every press completed once, and nothing more arrives.
    EXPECT_FALSE(h.mainQueue->waitFor(1, 300ms));
    std::vector<int> sorted = finished;
    std::sort(sorted.begin(), sorted.end());
    std::sort(presses.begin(), presses.end());
    EXPECT_EQ(sorted, presses);
    // The last check's report, followed by the notices of the runs that finished after it.
    const auto lastCheck =
        std::find_if(finished.rbegin(), finished.rend(), [](int p) { return p != 0; });
    ASSERT_NE(lastCheck, finished.rend());
    std::string expected = reportOf(*lastCheck);
    for (auto run = finished.rbegin(); run != lastCheck; ++run) {
        expected += kNotice;
    }
    EXPECT_EQ(h.console.text, expected);
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_FALSE(h.spinner.animating);
}

} // namespace
} // namespace scanbrook
