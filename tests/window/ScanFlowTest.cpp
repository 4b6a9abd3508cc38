// The window's check, run and save, from the button press to the console, against real child
// processes of the simulated Mac.

#include "window/ViewController.h"

#include "platform/NumberFormatter.h"
#include "platform/Paths.h"
#include "support/Fakes.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// 2024-03-05 09:41:07 UTC
const platform::TimePoint kPressTime{std::chrono::seconds(1'709'631'667)};

const char* const kTwoEntries = R"([
  {"timestamp" : "2024-03-05 09:41:07.123456+0100", "senderImagePath" : "\/Library\/Apple\/System\/Library\/CoreServices\/XProtect.app\/Contents\/Resources\/XProtectRemediatorPirrit", "eventMessage" : "{\"status_code\":0,\"status_message\":\"NoThreatDetected\"}"},
  {"timestamp" : "2024-03-05 10:02:11.000001+0100", "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "{\"status_code\":1}"}
])";

class ScanFlow : public ::testing::Test {
protected:
    void SetUp() override {
        platform::reloadPlatformRoot();
        controller = std::make_unique<ViewController>(
            ViewControllerServices{defaults, clock, application, savePanel, mainQueue});
        controller->setTextTimePeriod(&field);
        controller->setPeriodStep(&stepper);
        controller->setPeriodStepFormatter(&formatter);
        controller->setOutputTextbox(&console);
        controller->setBusySpinner(&spinner);
        controller->setViewWindow(&window);
        controller->viewDidLoad();
        controller->viewDidAppear();
        clock.time = kPressTime;
    }

    /// Waits for the worker to hand its completion to the main queue, then runs it.
    void finishWork(std::size_t completions = 1) {
        ASSERT_TRUE(mainQueue->waitFor(completions, 60s));
        mainQueue->runAll();
    }

    test::TempSimRoot root;
    test::ScopedEnvironment env{platform::kPlatformRootVariable, root.path()};
    test::FakeDefaults defaults;
    test::FakeClock clock;
    test::FakeApplication application;
    test::FakeSavePanel savePanel;
    std::shared_ptr<test::ManualQueue> mainQueue = std::make_shared<test::ManualQueue>();
    test::FakeTextField field;
    test::FakeStepper stepper;
    platform::DecimalNumberFormatter formatter;
    test::FakeConsole console;
    test::FakeSpinner spinner;
    test::FakeWindow window;
    std::unique_ptr<ViewController> controller;
};

TEST_F(ScanFlow, CheckReplacesTheConsoleWithTheReport) {
    root.setControl("log.query.output", kTwoEntries);
    console.text = "earlier text";
    field.text = "7";
    controller->doCheckXPR();
    EXPECT_FALSE(spinner.hidden);
    EXPECT_TRUE(spinner.animating);
    EXPECT_TRUE(spinner.threaded);
    EXPECT_EQ(console.text, "earlier text"); // kept until the report is ready

    finishWork();
    EXPECT_EQ(console.text, "XProtect Remediator scans completed in the last 7 days:\n\n"
                            "2024-03-05 09:41:07.123  Pirrit        "
                            "  {\"status_code\":0,\"status_message\":\"NoThreatDetected\"}\n"
                            "2024-03-05 10:02:11.000  KeySteal      "
                            "\xE2\x9A\xA0\xEF\xB8\x8F{\"status_code\":1}\n"
                            "\nScanned at 2024-03-05T09_41_07Z");
    EXPECT_TRUE(spinner.hidden);
    EXPECT_FALSE(spinner.animating);
    EXPECT_EQ(controller->lastRunDate(), kPressTime);
}

TEST_F(ScanFlow, CheckAsksTheLogForTheClampedPeriod) {
    field.text = "45";
    controller->doCheckXPR();
    finishWork();
    EXPECT_EQ(controller->timePeriod(), 30);
    EXPECT_TRUE(
        console.text.starts_with("XProtect Remediator scans completed in the last 30 days:\n\n2"));
    EXPECT_TRUE(console.text.ends_with("\nScanned at 2024-03-05T09_41_07Z"));
}

TEST_F(ScanFlow, FailingOrMissingLogToolGivesTheErrorLine) {
    root.setControl("log.query.status", "3");
    controller->doCheckXPR();
    finishWork();
    EXPECT_EQ(console.text, "Error 3 when checking the log for XProtect Remediator scans.\n"
                            "Scanned at 2024-03-05T09_41_07Z");

    root.removeFile("/usr/bin/log");
    controller->doCheckXPR();
    finishWork();
    EXPECT_EQ(console.text, "Error 127 when checking the log for XProtect Remediator scans.\n" +
                                root.pathOf("/usr/bin/log") +
                                " could not be started: No such file or directory.\n"
                                "Scanned at 2024-03-05T09_41_07Z");
}

TEST_F(ScanFlow, RunAppendsTheNoticeBelowTheReport) {
    root.setControl("xprotect.duration", "0");
    console.text = "report";
    controller->doRunXPro();
    EXPECT_FALSE(spinner.hidden);
    finishWork();
    EXPECT_EQ(console.text, "report\n\nXProtect Remediator has completed scanning.\nTo see the "
                            "results, click on the Check XProtect button.\n");
    EXPECT_TRUE(spinner.hidden);

    root.setControl("xprotect.status", "3");
    controller->doRunXPro();
    finishWork();
    EXPECT_TRUE(
        console.text.ends_with("button.\n\n\nError 3 when running XProtect Remediator scans.\n"));
}

TEST_F(ScanFlow, RunWithoutTheExecutableDoesNothing) {
    root.removeFile("/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/MacOS/"
                    "XProtect");
    console.text = "report";
    controller->doRunXPro();
    EXPECT_TRUE(spinner.hidden);
    EXPECT_FALSE(mainQueue->waitFor(1, 300ms));
    EXPECT_EQ(console.text, "report");
}

TEST_F(ScanFlow, ClosingTheWindowWhileWorkRunsNeitherWaitsNorCrashes) {
    root.setControl("log.query.delay", "1");
    controller->doCheckXPR();
    controller.reset(); // the window closed
    finishWork();       // the completion arrives and finds no controller
    EXPECT_EQ(console.text, "");
}

class SaveFlow : public ScanFlow {
protected:
    std::string tempFolder() {
        std::string pattern = (fs::temp_directory_path() / "scanbrook-save-XXXXXX").string();
        folders.emplace_back(::mkdtemp(pattern.data()));
        return folders.back();
    }
    void TearDown() override {
        for (const auto& folder : folders) {
            std::error_code ignored;
            fs::remove_all(folder, ignored);
        }
    }
    static std::string contents(const std::string& path) {
        std::ifstream file(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << file.rdbuf();
        return bytes.str();
    }
    std::vector<std::string> folders;
};

TEST_F(SaveFlow, OffersTheNameOfTheLastCheckAndWritesTheTextTakenAtThePress) {
    root.setControl("log.query.output", kTwoEntries);
    controller->doCheckXPR();
    finishWork();
    const std::string report = console.text;
    clock.time += 3h;

    controller->doSaveButton();
    ASSERT_TRUE(savePanel.request.has_value());
    EXPECT_EQ(savePanel.request->defaultName, "Scanbrook-2024-03-05T09_41_07Z.text");
    EXPECT_EQ(savePanel.request->allowedFileTypes, (std::vector<std::string>{"text", "txt"}));
    EXPECT_TRUE(savePanel.request->canCreateDirectories);

    controller->appendOutputText("later"); // changes after the press do not reach the file
    const std::string path = tempFolder() + "/report.text";
    savePanel.completion(path);
    EXPECT_EQ(contents(path), report);
    EXPECT_EQ(console.text, report + "later");
}

TEST_F(SaveFlow, CancelWritesNothing) {
    console.text = "text";
    controller->doSaveButton();
    savePanel.completion(std::nullopt);
    EXPECT_EQ(console.text, "text");
}

TEST_F(SaveFlow, EmptyConsoleGivesAnEmptyFile) {
    controller->doSaveButton();
    const std::string path = tempFolder() + "/empty.text";
    savePanel.completion(path);
    ASSERT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0U);
}

TEST_F(SaveFlow, AFailedWriteIsReportedInTheConsole) {
    console.text = "report";
    controller->doSaveButton();
    savePanel.completion("/dev/full");
    EXPECT_EQ(console.text, "report"
                            "The file \u201Cfull\u201D couldn\u2019t be saved in the folder "
                            "\u201C/dev\u201D: No space left on device.");

    controller->doSaveButton();
    const std::string missing = tempFolder() + "/no/such/folder/report.text";
    savePanel.completion(missing);
    EXPECT_TRUE(console.text.ends_with(": No such file or directory."));
    EXPECT_FALSE(fs::exists(missing));
}

} // namespace
} // namespace scanbrook
