// The real window's check, run and save buttons, offscreen, against a private copy of the
// simulated Mac, from the press to the console and the saved file.

#include "QtTestSupport.h"

#include "platform/qt/BusyIndicator.h"
#include "platform/qt/ConsoleView.h"

#include <QApplication>
#include <QFileDialog>

#include <filesystem>

namespace scanbrook {
namespace {

class WindowScanTest : public test::WindowTest {
protected:
    void SetUp() override {
        root.setControl("xprotect.duration", "0");
        open(root.path());
        press("checkButton");
        EXPECT_FALSE(spinner()->isHidden());
        ASSERT_TRUE(waitForCompletion());
        report = text();
    }

    platform::BusyIndicator* spinner() const {
        return child<platform::BusyIndicator>("busySpinner");
    }
    /// Serves the event loop until the spinner hides again: the work's completion has run.
    bool waitForCompletion() const {
        return QTest::qWaitFor([this] { return spinner()->isHidden(); }, 30000);
    }
    std::string text() const {
        return child<platform::ConsoleView>("outputTextbox")->toPlainText().toStdString();
    }

    /// Presses save and answers the panel with `path`, checking the name it offered.
    void save(const std::string& path) {
        press("saveButton");
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
        // The name carries the date of the report's closing line.
        EXPECT_EQ(dialog->selectedFiles().value(0).section(QLatin1Char('/'), -1).toStdString(),
                  "Scanbrook-" + report.substr(report.size() - 20) + ".text");
        dialog->selectFile(QString::fromStdString(path));
        // As the user's Save would, without the dialog's own question about replacing a file.
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    }

    test::TempSimRoot root;
    test::TempFolder saveFolder;
    std::string report;
};

TEST_F(WindowScanTest, CheckThenRunThenSave) {
    EXPECT_TRUE(report.starts_with("XProtect Remediator scans completed in the last day:\n\n"));
    EXPECT_NE(report.find("  Adload          "), std::string::npos);
    EXPECT_EQ(report.find("\\/"), std::string::npos); // escapes are undone
    EXPECT_EQ(report.find("\nScanned at "), report.size() - 32);

    press("runButton");
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(text(), report + "\n\nXProtect Remediator has completed scanning.\nTo see the "
                               "results, click on the Check XProtect button.\n");

    save(saveFolder.file("saved.text"));
    EXPECT_TRUE(test::readFile(saveFolder.file("saved.text")) == text());
}

TEST_F(WindowScanTest, AFailedSaveIsReportedAtTheEndOfTheConsole) {
    // The panel adds the ".text" suffix to a name without one, so the full device is reached
    // through a name that has it.
    std::filesystem::create_symlink("/dev/full", saveFolder.file("full.text"));
    save(saveFolder.file("full.text"));
    EXPECT_EQ(text(), report +
                          "The file \u201Cfull.text\u201D couldn\u2019t be saved in the "
                          "folder \u201C" +
                          saveFolder.path() + "\u201D: No space left on device.");
}

} // namespace
} // namespace scanbrook
