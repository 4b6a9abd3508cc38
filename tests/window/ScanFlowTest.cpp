// The window's check, run and save, from the press to the console, against real child processes
// of a private copy of the simulated Mac; the clock is pinned so the texts are exact.

#include "window/ViewController.h"

#include "platform/MacPaths.h"
#include "support/ControllerHarness.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <thread>

namespace scanbrook {
namespace {

using namespace std::chrono_literals;

const std::string kScannedAt = "\nScanned at 2024-03-05T09_41_07Z";
const std::string kNotice = "\n\nXProtect Remediator has completed scanning.\nTo see the "
                            "results, click on the Check XProtect button.\n";

const char* const kTwoEntries = R"([
  {"timestamp" : "2024-03-05 09:41:07.123456+0100", "senderImagePath" : "\/Library\/Apple\/System\/Library\/CoreServices\/XProtect.app\/Contents\/Resources\/XProtectRemediatorPirrit", "eventMessage" : "{\"status_code\":0,\"status_message\":\"NoThreatDetected\"}"},
  {"timestamp" : "2024-03-05 10:02:11.000001+0100", "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "{\"status_code\":1}"}
])";

class ScanFlow : public ::testing::Test {
protected:
    void SetUp() override {
        h.show();
        h.clock.time = platform::TimePoint(std::chrono::seconds(1'709'631'667));
        root.setControl("xprotect.duration", "0");
    }

    test::TempSimRoot root;
    test::UsingPlatformRoot usingRoot{root.path()};
    test::ControllerHarness h{test::ControllerHarness::Work::Real};
};

TEST_F(ScanFlow, CheckReplacesTheConsoleWithTheReportOnceItIsReady) {
    root.setControl("log.query.output", kTwoEntries);
    h.console.text = "earlier text";
    h.field.text = "7";
    h.controller->doCheckXPR();
    EXPECT_FALSE(h.spinner.hidden);
    EXPECT_TRUE(h.spinner.animating);
    EXPECT_EQ(h.console.text, "earlier text");

    ASSERT_TRUE(h.finishWork());
    EXPECT_EQ(h.console.text, "XProtect Remediator scans completed in the last 7 days:\n\n"
                              "2024-03-05 09:41:07.123  Pirrit        "
                              "  {\"status_code\":0,\"status_message\":\"NoThreatDetected\"}\n"
                              "2024-03-05 10:02:11.000  KeySteal      "
                              "\xE2\x9A\xA0\xEF\xB8\x8F{\"status_code\":1}\n" +
                                  kScannedAt);
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_FALSE(h.spinner.animating);
}

TEST_F(ScanFlow, CheckAsksForTheClampedPeriod) {
    h.field.text = "45";
    h.controller->doCheckXPR();
    ASSERT_TRUE(h.finishWork());
    EXPECT_EQ(h.controller->timePeriod(), 30);
    EXPECT_TRUE(h.console.text.starts_with(
        "XProtect Remediator scans completed in the last 30 days:\n\n2"));
}

TEST_F(ScanFlow, RunAppendsTheNoticeOrTheError) {
    h.console.text = "report";
    h.controller->doRunXPro();
    EXPECT_FALSE(h.spinner.hidden);
    ASSERT_TRUE(h.finishWork());
    EXPECT_EQ(h.console.text, "report" + kNotice);
    EXPECT_TRUE(h.spinner.hidden);

    root.setControl("xprotect.status", "3");
    h.controller->doRunXPro();
    ASSERT_TRUE(h.finishWork());
    EXPECT_EQ(h.console.text,
              "report" + kNotice + "\n\nError 3 when running XProtect Remediator scans.\n");
}

TEST_F(ScanFlow, RunWithoutTheScannerDoesNothing) {
    root.removeFile(mac::kXProtectExecutable);
    h.console.text = "report";
    h.controller->doRunXPro();
    EXPECT_TRUE(h.spinner.hidden);
    EXPECT_FALSE(h.finishWork(1s));
    EXPECT_EQ(h.console.text, "report");
}

TEST_F(ScanFlow, ClosingTheWindowWhileACheckRunsNeitherWaitsNorCrashes) {
    root.setControl("log.query.delay", "1");
    h.controller->doCheckXPR();
    h.controller.reset();        // the window closed
    ASSERT_TRUE(h.finishWork()); // the completion arrives and finds no controller
    EXPECT_EQ(h.console.text, "");
}

TEST_F(ScanFlow, SaveOffersTheLastChecksNameAndWritesTheTextOfThePress) {
    root.setControl("log.query.output", kTwoEntries);
    h.controller->doCheckXPR();
    ASSERT_TRUE(h.finishWork());
    const std::string report = h.console.text;
    h.clock.time += 3h; // the name is the last check's, not the press's

    h.controller->doSaveButton();
    ASSERT_TRUE(h.savePanel.request.has_value());
    EXPECT_EQ(h.savePanel.request->defaultName, "Scanbrook-2024-03-05T09_41_07Z.text");
    EXPECT_EQ(h.savePanel.request->allowedFileTypes, (std::vector<std::string>{"text", "txt"}));
    EXPECT_TRUE(h.savePanel.request->canCreateDirectories);

    h.controller->appendOutputText("later"); // changes after the press do not reach the file
    const test::TempFolder folder;
    h.savePanel.completion(folder.file("report.text"));
    EXPECT_EQ(test::readFile(folder.file("report.text")), report);
    EXPECT_EQ(h.console.text, report + "later");

    h.controller->doSaveButton();
    h.savePanel.completion(std::nullopt); // cancelled
    EXPECT_EQ(h.console.text, report + "later");
}

/// Three entries a line each: paced, the log tool hands them over one by one.
const char* const kThreeLines = "[\n{\"eventMessage\":\"NoThreatDetected\"},\n"
                                "{\"eventMessage\":\"NoThreatDetected\"},\n"
                                "{\"eventMessage\":\"NoThreatDetected\"}\n]\n";

/// The counts the progress line shows, each time it changes, until a completion is queued.
std::vector<std::string> watchProgress(test::ControllerHarness& h) {
    std::vector<std::string> seen;
    const auto deadline = std::chrono::steady_clock::now() + 60s;
    while (!h.mainQueue->waitFor(1, 10ms)) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "the check never completed";
            break;
        }
        const std::string shown = h.progress.shown();
        if (seen.empty() || seen.back() != shown) {
            seen.push_back(shown);
        }
    }
    return seen;
}

struct ProgressCase {
    const char* name;
    const char* killAfter; ///< log.kill-after, or null
    const char* lastCount;
    const char* reportStart;
};

class CheckProgress : public ScanFlow, public ::testing::WithParamInterface<ProgressCase> {};

TEST_P(CheckProgress, CountsRiseWhileTheLogIsReadAndGoWithTheReport) {
    const ProgressCase& c = GetParam();
    root.setControl("log.query.output", kThreeLines);
    root.setControl("log.pace", "0.3"); // slower than the line asks, so every count is seen
    if (c.killAfter != nullptr) {
        root.setControl("log.kill-after", c.killAfter);
    }
    h.controller->doCheckXPR();
    std::vector<std::string> seen = watchProgress(h);
    std::erase(seen, "");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), c.lastCount);
    const auto count = [](const std::string& text) {
        return std::stoull(text.substr(text.rfind(' ', text.rfind(' ') - 1)));
    };
    for (std::size_t i = 1; i < seen.size(); ++i) {
        EXPECT_LT(count(seen[i - 1]), count(seen[i])) << "counts only rise";
    }

    h.mainQueue->runAll();
    EXPECT_TRUE(h.console.text.starts_with(c.reportStart)) << h.console.text;
    EXPECT_FALSE(h.progress.text) << "no count after the report";
    h.controller->doRunXPro();
    EXPECT_FALSE(h.progress.text) << "a run shows no count";
    ASSERT_TRUE(h.finishWork());
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, CheckProgress,
    ::testing::Values(ProgressCase{"Whole", nullptr, "Reading the log\xE2\x80\xA6 3 events",
                                   "XProtect Remediator scans completed in the last day:\n\n"},
                      // Killed in the third entry.
                      ProgressCase{"ToolDiesMidOutput", "90",
                                   "Reading the log\xE2\x80\xA6 2 events", "Error 9 when"}),
    [](const ::testing::TestParamInfo<ProgressCase>& row) { return std::string(row.param.name); });

/// The line counts for the most recently started check only, and goes with its report even
/// while an older check still runs.
TEST(CheckProgressFlow, TheCountBelongsToTheNewestCheck) {
    test::TempSimRoot root;
    const test::UsingPlatformRoot usingRoot{root.path()};
    test::ControllerHarness h;
    h.show();
    auto& work = static_cast<test::ManualQueue&>(h.controller->queue());
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
/// report and its own summary together; a run then clears the summary.
TEST(ScanSummaryFlow, TheSummaryOnScreenBelongsToTheReportOnScreen) {
    test::TempSimRoot root;
    const test::UsingPlatformRoot usingRoot{root.path()};
    test::ControllerHarness h;
    h.show();
    auto& work = static_cast<test::ManualQueue&>(h.controller->queue());
    h.field.text = "7";
    h.controller->doCheckXPR();
    h.field.text = "1";
    h.controller->doCheckXPR();
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
    EXPECT_EQ(h.summary.line, "1 warning(s) in the last 7 days");
    ASSERT_EQ(h.summary.rows.size(), 2U);
    EXPECT_EQ(h.summary.rows[0].name, "KeySteal");
    EXPECT_EQ(h.summary.rows[0].lastRun, "2024-03-05 10:02:11.000");
    EXPECT_EQ(h.summary.rows[0].lastResult, "warning");
    EXPECT_EQ(h.summary.rows[1].name, "Pirrit");
    EXPECT_EQ(h.summary.rows[1].lastResult, "clean");

    h.controller->doRunXPro();
    ASSERT_TRUE(work.runOne());
    ASSERT_TRUE(h.mainQueue->runOne());
    EXPECT_EQ(h.summary.line, "");
    EXPECT_TRUE(h.summary.rows.empty());
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
