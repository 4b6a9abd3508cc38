// The window's check, run and save, from the press to the console, against real child processes
// of a private copy of the simulated Mac; the clock is pinned so the texts are exact.

#include "window/ViewController.h"

#include "platform/MacPaths.h"
#include "support/ControllerHarness.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

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

TEST_F(ScanFlow, OverlappingChecksBothCloseWithTheDateOfTheLatestPress) {
    root.setControl("log.query.delay", "0.3");
    h.controller->doCheckXPR();
    h.clock.time += 1h;
    h.controller->doCheckXPR();
    ASSERT_TRUE(h.mainQueue->waitFor(2, 60s));
    for (int completion = 0; completion < 2; ++completion) {
        h.mainQueue->runOne();
        EXPECT_TRUE(h.console.text.ends_with("\nScanned at 2024-03-05T10_41_07Z"))
            << h.console.text;
    }
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

} // namespace
} // namespace scanbrook
