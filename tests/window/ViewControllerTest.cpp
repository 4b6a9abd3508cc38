// The window's controller with fakes for the toolkit: its settings, the period's rules, the font
// size, a press that gets no thread, and the check from the press to the console, the work run
// on this thread against a private copy of the simulated Mac, the clock pinned so the texts are
// exact.

#include "window/ViewController.h"

#include "ledger/Ledger.h"
#include "platform/MacPaths.h"
#include "reports/ReportTexts.h"
#include "support/ControllerHarness.h"
#include "support/SimRoot.h"
#include "support/Texts.h"

#include <gtest/gtest.h>

#include <chrono>

#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace scanbrook {
namespace {

using namespace std::chrono_literals;
using test::ControllerHarness;

TEST(ViewController, LoadsTheStoredSettingsWithTheirFallBacks) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    // Stored font size and period, what is loaded; nullopt: nothing stored.
    const std::tuple<std::optional<double>, std::optional<std::int64_t>, double, std::int64_t>
        cases[] = {{{}, {}, 12.0, 1},
                   {16.5, 9, 16.5, 9},
                   {3.9, 0, 12.0, 1},
                   {4.0, 30, 4.0, 30},
                   {kNaN, {}, 12.0, 1}};
    for (const auto& [fontSize, period, loadedFontSize, loadedPeriod] : cases) {
        ControllerHarness h;
        if (fontSize) {
            h.defaults.setDouble(*fontSize, "fontSize");
        }
        if (period) {
            h.defaults.setInteger(*period, "timePeriod");
        }
        h.show();
        EXPECT_EQ(h.controller->fontSize(), loadedFontSize) << fontSize.value_or(-1);
        EXPECT_EQ(h.field.text, std::to_string(loadedPeriod)) << period.value_or(-1);
    }
}

TEST(ViewController, AppearingTakesTheWindowTitlesItRecordsTheTimeAndHidesTheSpinner) {
    const test::TempFolder noXProtect;
    const test::UsingPlatformRoot usingRoot(noXProtect.path());
    ControllerHarness h;
    h.clock.time = platform::TimePoint(1'709'631'667s);
    h.spinner.hidden = false;
    h.show();
    EXPECT_EQ(h.window.delegate, h.controller.get());
    EXPECT_EQ(h.window.title, "Scanbrook : XProtect Remediator version Not found");
    EXPECT_EQ(h.controller->lastRunDate(), h.clock.time);
    EXPECT_TRUE(h.spinner.hidden);
    h.controller->doRunXPro();
    EXPECT_EQ(h.notice.text, "XProtect Remediator is not installed: no file at " +
                                 noXProtect.path() + std::string(mac::kXProtectExecutable));
}

// The one place of the period's rules: not a number is 1, others are clamped to 1 to 30, also
// beyond the integer range (never overflowed).
TEST(ViewController, PeriodFromTheFieldIsClampedAndShown) {
    const std::pair<const char*, std::int64_t> cases[] = {{"abc", 1},
                                                          {"0", 1},
                                                          {"7", 7},
                                                          {"30", 30},
                                                          {"31", 30},
                                                          {"7.9", 7},
                                                          {"1,000", 1},
                                                          {"99999999999999999999999", 30},
                                                          {"-99999999999999999999999", 1}};
    for (const auto& [text, period] : cases) {
        ControllerHarness h;
        h.show();
        h.field.text = text;
        h.controller->testSetPeriod();
        EXPECT_EQ(h.controller->timePeriod(), period) << text;
        EXPECT_EQ(h.stepper.value, period) << text;
        EXPECT_EQ(h.field.text, std::to_string(period)) << text;
    }
}

TEST(ViewController, FontSizeStaysWithinFourToTwentyFourIsStoredAndRefontsTheConsole) {
    using enum platform::WindowCommand;
    // Start, larger (or smaller), result, and whether A+ and A− can still change it.
    const std::tuple<double, bool, double, bool, bool> cases[] = {{12.0, true, 13.0, true, true},
                                                                  {12.0, false, 11.0, true, true},
                                                                  {23.5, true, 24.0, false, true},
                                                                  {4.5, false, 4.0, true, false},
                                                                  {30.0, false, 29.0, false, true}};
    for (const auto& [start, larger, result, bigger, smaller] : cases) {
        ControllerHarness h;
        h.defaults.setDouble(start, "fontSize");
        h.show();
        h.controller->setOutputText("report\n");
        larger ? h.controller->incFontSize() : h.controller->decFontSize();
        EXPECT_EQ(h.defaults.doubleForKey("fontSize"), result) << start;
        EXPECT_EQ(h.console.sizes, std::vector<double>(7, result)) << start;
        EXPECT_EQ(h.summary.fontSize, result) << start;
        EXPECT_EQ(h.commands.enabled.at(BiggerText), bigger) << start;
        EXPECT_EQ(h.commands.enabled.at(SmallerText), smaller) << start;
    }
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
    EXPECT_FALSE(h.progress.text) << "no count for a check that never runs";
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_FALSE(h.spinner.animating);
}

class ScanFlow : public ::testing::Test {
protected:
    void SetUp() override {
        h.show();
        h.clock.time = platform::TimePoint(1'709'631'667s); // 2024-03-05 09:41:07 UTC
        root.setControl("xprotect.duration", "0");
        root.setControl("log.query.output", R"([{"timestamp" : "2024-03-05 10:02:11.000001+0100",
          "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "{\"status_code\":1}"}])");
    }

    test::TempSimRoot root;
    test::UsingPlatformRoot usingRoot{root.path()};
    ControllerHarness h;
};

TEST_F(ScanFlow, CheckReplacesTheConsoleWithTheReportOnceItIsReady) {
    h.console.text = "earlier text";
    h.field.text = "7";
    h.controller->doCheckXPR();
    EXPECT_FALSE(h.spinner.hidden);
    EXPECT_TRUE(h.spinner.animating);
    EXPECT_EQ(h.console.text, "earlier text");
    h.runWork();
    EXPECT_EQ(h.console.text, "XProtect Remediator scans completed in the last 7 days:\n\n"
                              "2024-03-05 10:02:11.000  KeySteal      " +
                                  test::kWarningSign +
                                  "{\"status_code\":1}\n\nScanned at 2024-03-05T09_41_07Z");
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_FALSE(h.spinner.animating);
}

TEST_F(ScanFlow, OverlappingChecksBothCloseWithTheDateOfTheLatestPress) {
    h.controller->doCheckXPR();
    h.clock.time += 1h;
    h.controller->doCheckXPR();
    h.work->runAll();
    while (h.mainQueue->runOne()) {
        EXPECT_TRUE(h.console.text.ends_with("\nScanned at 2024-03-05T10_41_07Z"))
            << h.console.text;
    }
}

TEST_F(ScanFlow, WorkThatEndsAfterTheWindowClosedFindsNoController) {
    h.controller->doCheckXPR();
    h.controller.reset(); // the window closed while the log tool ran
    h.runWork();
    EXPECT_EQ(h.console.text, "");
}

/// A check records what it read in the ledger after showing the report; a ledger that cannot
/// be written changes nothing but the summary line.
TEST(ViewController, CheckRecordsInTheLedgerAndSaysWhenItCannot) {
    for (const bool writable : {true, false}) {
        test::TempSimRoot root;
        const test::UsingPlatformRoot usingRoot{root.path()};
        root.setControl("log.query.output", R"([{"timestamp" : "2024-03-05 10:02:11.000001+0100",
          "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "x"}])");
        // Beneath a file, no folder can be made.
        const std::string ledger =
            writable ? root.path() + "/l.sqlite3" : root.pathOf("/sim/control/log.query.output/l");
        ControllerHarness h(ControllerHarness::Work::Manual, ledger);
        h.show();
        h.clock.time = platform::TimePoint(1'709'631'667s);
        h.controller->doCheckXPR();
        h.runWork();
        EXPECT_TRUE(h.console.text.starts_with("XProtect Remediator scans completed in the last "
                                               "day:\n\n2024-03-05 10:02:11.000  KeySteal"));
        const std::string verdict = "1 scan could not finish";
        EXPECT_EQ(h.summary.line.substr(0, verdict.size()), verdict);
        EXPECT_EQ(h.summary.line.find("could not be written") != std::string::npos, !writable)
            << h.summary.line;
        EXPECT_EQ(ledger::ledgerState(ledger).events, writable ? 1 : 0);
    }
}

const char* const kTwoEntries = R"([
  {"timestamp" : "2024-03-05 09:41:07.123456+0100", "senderImagePath" : "\/Library\/Apple\/System\/Library\/CoreServices\/XProtect.app\/Contents\/Resources\/XProtectRemediatorPirrit", "eventMessage" : "{\"status_code\":0,\"status_message\":\"NoThreatDetected\"}"},
  {"timestamp" : "2024-03-05 10:02:11.000001+0100", "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "{\"status_code\":1}"}
])";

/// Three entries a line each: paced, the log tool hands them over one by one.
const char* const kThreeLines = "[\n{\"eventMessage\":\"NoThreatDetected\"},\n"
                                "{\"eventMessage\":\"NoThreatDetected\"},\n"
                                "{\"eventMessage\":\"NoThreatDetected\"}\n]\n";

/// The counts the progress line shows, each time it changes, until a completion is queued.
std::vector<std::string> watchProgress(test::ControllerHarness& h) {
    std::vector<std::string> seen;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (h.mainQueue->size() == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the check never completed";
            break;
        }
        const std::string shown = h.progress.shown();
        if (seen.empty() || seen.back() != shown) {
            seen.push_back(shown);
        }
        std::this_thread::sleep_for(10ms);
    }
    return seen;
}

TEST_F(ScanFlow, CountsRiseWhileTheLogIsReadAndGoWithTheReport) {
    root.setControl("log.query.output", kThreeLines);
    root.setControl("log.pace", "0.3"); // slower than the line asks, so every count is seen
    h.controller->doCheckXPR();
    std::thread worker([&] { h.work->runAll(); });
    std::vector<std::string> seen = watchProgress(h);
    worker.join();
    std::erase(seen, "");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "Reading the log\xE2\x80\xA6 3 events");
    const auto count = [](const std::string& text) {
        return std::stoull(text.substr(text.rfind(' ', text.rfind(' ') - 1)));
    };
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_LT(count(seen[i - 1]), count(seen[i])) << "counts only rise";
    }

    h.mainQueue->runAll();
    EXPECT_TRUE(h.console.text.starts_with("XProtect Remediator scans completed in the last day"));
    EXPECT_FALSE(h.progress.text) << "no count after the report";
    h.controller->doRunXPro();
    EXPECT_FALSE(h.progress.text) << "a run shows no count";
}

/// The line counts for the most recently started check only, and goes with its report even
/// while an older check still runs.
TEST(CheckProgressFlow, TheCountBelongsToTheNewestCheck) {
    test::TempSimRoot root;
    const test::UsingPlatformRoot usingRoot{root.path()};
    test::ControllerHarness h;
    h.show();
    test::ManualQueue& work = *h.work;
    root.setControl("log.query.output", kThreeLines);
    root.setControl("log.pace", "0.3");
    h.field.text = "7";
    h.controller->doCheckXPR();
    h.field.text = "1";
    h.controller->doCheckXPR();

    // The older check reads its log; the newer one has not started.
    std::thread older([&] { work.runOne(); });
    const std::vector<std::string> seen = watchProgress(h);
    older.join();
    EXPECT_EQ(seen, std::vector<std::string>{""});
    ASSERT_TRUE(h.mainQueue->runOne());
    EXPECT_TRUE(h.console.text.starts_with("XProtect Remediator scans completed in the last 7"));
    EXPECT_TRUE(h.progress.text) << "the newest check still runs";

    root.removeFile("/sim/control/log.pace");
    ASSERT_TRUE(work.runOne());
    ASSERT_TRUE(h.mainQueue->runOne());
    EXPECT_TRUE(h.console.text.starts_with("XProtect Remediator scans completed in the last day"));
    EXPECT_FALSE(h.progress.text);
}

/// Checks that finish in the other order than they started: each completion shows its own
/// report and its own summary together. A run, which cannot be started twice at once, then
/// keeps the summary and says how to renew it.
TEST(ScanSummaryFlow, TheSummaryOnScreenBelongsToTheReportOnScreen) {
    test::TempSimRoot root;
    const test::UsingPlatformRoot usingRoot{root.path()};
    test::ControllerHarness h;
    // Stale after two hours, three hours after the newest entry (09:02:11 UTC).
    h.defaults.values["staleHours"] = std::int64_t{2};
    h.clock.time = platform::TimePoint(std::chrono::seconds(1709640132));
    h.show();
    test::ManualQueue& work = *h.work;
    h.field.text = "7";
    h.controller->doCheckXPR();
    h.field.text = "1";
    h.controller->doCheckXPR();
    root.setControl("xprotect.duration", "0");
    root.setControl("log.query.output", "[]");
    ASSERT_TRUE(work.runNewest()); // the one-day check's log query ends first
    root.setControl("log.query.output", kTwoEntries);
    ASSERT_TRUE(work.runOne());

    ASSERT_TRUE(h.mainQueue->runOne());
    EXPECT_TRUE(h.console.text.starts_with(
        "No XProtect Remediator scan log messages found in the last day."));
    EXPECT_EQ(h.summary.line,
              "No scans found in the last day \u2014 XProtect Remediator may not be running");
    EXPECT_TRUE(h.summary.rows.empty());

    ASSERT_TRUE(h.mainQueue->runOne());
    EXPECT_TRUE(h.console.text.starts_with("XProtect Remediator scans completed in the last 7"));
    EXPECT_EQ(h.summary.line, "Last scan 3 hours ago \u2014 XProtect Remediator may have "
                              "stopped; 1 scan could not finish");
    EXPECT_EQ(h.summary.shown.tone, platform::SummaryTone::Caution);
    ASSERT_EQ(h.summary.rows.size(), 2U);
    EXPECT_EQ(h.summary.rows[0].name, "KeySteal");
    EXPECT_EQ(h.summary.rows[0].lastRun, "2024-03-05 10:02:11.000");
    EXPECT_EQ(h.summary.rows[0].status, "scan_problem");
    EXPECT_EQ(h.summary.rows[0].warnings, 1);
    EXPECT_EQ(h.summary.rows[1].name, "Pirrit");
    EXPECT_EQ(h.summary.rows[1].lastResult, "clean");
    EXPECT_EQ(h.summary.shown.protectionLines.at(2), "Launch scans: enabled; background scans: "
                                                     "enabled");

    h.controller->doRunXPro();
    h.controller->doRunXPro();
    EXPECT_EQ(work.size(), 1U) << "a second press while a run goes starts nothing";
    EXPECT_FALSE(h.commands.enabled.at(platform::WindowCommand::RunScans));
    ASSERT_TRUE(work.runOne());
    ASSERT_TRUE(h.mainQueue->runOne());
    EXPECT_TRUE(h.commands.enabled.at(platform::WindowCommand::RunScans));
    EXPECT_EQ(h.summary.line, "Last scan 3 hours ago \u2014 XProtect Remediator may have "
                              "stopped; 1 scan could not finish");
    EXPECT_EQ(h.notice.text, "The scan run has ended. A check will show its results; the summary "
                             "is still that of the last check.");
    EXPECT_EQ(h.console.scrolledTo, h.console.text.size()) << "the run's last line is in view";
    ASSERT_EQ(h.notice.actionTitle, "Check Now");
    h.notice.action();
    EXPECT_EQ(work.size(), 1U) << "the offered check has started";
}

/// A double-click on a scanner selects its first line under the header's two, then steps
/// through its others and back to the first; another scanner starts again at its first.
TEST(ScanSummaryFlow, ADoubleClickStepsThroughAScannersLines) {
    test::TempSimRoot root;
    const test::UsingPlatformRoot usingRoot{root.path()};
    root.setControl("log.query.output",
                    R"([{"senderImagePath":"P","eventMessage":"NoThreatDetected"},)"
                    R"({"senderImagePath":"K"},{"senderImagePath":"P"}])");
    test::ControllerHarness h;
    h.show();
    h.controller->doCheckXPR();
    ASSERT_TRUE(h.work->runOne());
    ASSERT_TRUE(h.mainQueue->runOne());
    const std::string text = h.console.text;
    for (const char* name : {"P", "P", "P", "K", "P", "Nobody"}) {
        h.summary.activate(name);
    }
    EXPECT_EQ(h.console.selectedLines, (std::vector<std::size_t>{2, 4, 2, 3, 2}));
    EXPECT_EQ(h.console.text, text);
}

TEST(ScanSummaryFlow, HidingIsRememberedAndAbsentMeansShown) {
    test::ControllerHarness first;
    first.show();
    EXPECT_FALSE(first.summary.hidden);
    first.controller->setShowSummary(false);
    EXPECT_TRUE(first.summary.hidden);
    EXPECT_EQ(first.defaults.find<bool>("showSummary"), false);

    test::ControllerHarness next;
    next.defaults = first.defaults;
    next.summary.hidden = false;
    next.show();
    EXPECT_TRUE(next.summary.hidden);
}

} // namespace
} // namespace scanbrook
