// The real window's check, run and save buttons, offscreen, against a private copy of the
// simulated Mac.

#include "QtTestSupport.h"

#include "app/MainWindow.h"
#include "platform/Paths.h"
#include "platform/qt/BusyIndicator.h"
#include "platform/qt/ConsoleView.h"
#include "platform/qt/MainQueue.h"
#include "window/ViewController.h"

#include <QApplication>
#include <QFileDialog>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace scanbrook {
namespace {

using namespace std::chrono_literals;

class WindowScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        root.setControl("xprotect.duration", "0");
        environment.emplace(platform::kPlatformRootVariable, root.path());
        platform::reloadPlatformRoot();
        mainQueue = std::make_shared<platform::MainQueue>();
        window = std::make_unique<MainWindow>(mainQueue);
        console = window->findChild<platform::ConsoleView*>(QStringLiteral("outputTextbox"));
        spinner = window->findChild<platform::BusyIndicator*>(QStringLiteral("busySpinner"));
        window->show();
    }
    void TearDown() override {
        window.reset();
        mainQueue->close();
        platform::reloadPlatformRoot();
    }

    void press(const char* button) {
        QTest::mouseClick(window->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    /// Serves the event loop until the spinner hides again: the work's completion has run.
    bool waitForCompletion() {
        return QTest::qWaitFor([this] { return spinner->isHidden(); }, 30000);
    }
    std::string text() { return console->toPlainText().toStdString(); }

    /// The save panel that is open now, answered with `path`.
    void answerSavePanel(const std::string& path, const std::string& offeredName) {
        QFileDialog* dialog = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                for (QWidget* widget : QApplication::topLevelWidgets()) {
                    if (auto* d = qobject_cast<QFileDialog*>(widget); d && d->isVisible()) {
                        dialog = d;
                    }
                }
                return dialog != nullptr;
            },
            5000));
        EXPECT_EQ(dialog->selectedFiles().value(0).section(QLatin1Char('/'), -1).toStdString(),
                  offeredName);
        dialog->selectFile(QString::fromStdString(path));
        // As the user's Save would, without the dialog's own question about replacing a file.
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    }

    test::SettingsFolder settings;
    test::TempSimRoot root;
    test::TempFolder saveFolder;
    std::optional<test::ScopedEnvironment> environment;
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::unique_ptr<MainWindow> window;
    platform::ConsoleView* console = nullptr;
    platform::BusyIndicator* spinner = nullptr;
};

TEST_F(WindowScanTest, CheckThenRunThenSave) {
    press("checkButton");
    EXPECT_FALSE(spinner->isHidden());
    ASSERT_TRUE(waitForCompletion());
    const std::string report = text();
    EXPECT_TRUE(report.starts_with("XProtect Remediator scans completed in the last day:\n\n"));
    EXPECT_NE(report.find("  Adload          "), std::string::npos);
    EXPECT_EQ(report.find("\\/"), std::string::npos); // escapes are undone
    ASSERT_EQ(report.find("\nScanned at "), report.size() - 32);
    const std::string dateText = report.substr(report.size() - 20);

    press("runButton");
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(text(), report + "\n\nXProtect Remediator has completed scanning.\nTo see the "
                               "results, click on the Check XProtect button.\n");

    const std::string path = saveFolder.path() + "/saved.text";
    press("saveButton");
    answerSavePanel(path, "Scanbrook-" + dateText + ".text");
    std::ifstream saved(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << saved.rdbuf();
    EXPECT_TRUE(bytes.str() == text()) << bytes.str().size() << " bytes saved";
}

TEST_F(WindowScanTest, AFailedSaveIsReportedAtTheEndOfTheConsole) {
    press("checkButton");
    ASSERT_TRUE(waitForCompletion());
    const std::string report = text();
    // The panel adds the ".text" suffix to a name without one, so the full device is reached
    // through a name that has it.
    const std::string full = saveFolder.path() + "/full.text";
    std::filesystem::create_symlink("/dev/full", full);
    press("saveButton");
    answerSavePanel(full, "Scanbrook-" + report.substr(report.size() - 20) + ".text");
    const std::string added = text().substr(std::min(report.size(), text().size()));
    EXPECT_TRUE(text().starts_with(report));
    EXPECT_EQ(added, "The file \u201Cfull.text\u201D couldn\u2019t be saved in the folder \u201C" +
                         saveFolder.path() + "\u201D: No space left on device.");
}

} // namespace
} // namespace scanbrook
