// The real window's check, run and save buttons, offscreen, on a private simulated Mac.

#include "QtTestSupport.h"

#include "platform/qt/BusyIndicator.h"
#include "platform/qt/ConsoleView.h"

#include <QApplication>
#include <QFileDialog>

namespace scanbrook {
namespace {

class WindowScanTest : public test::WindowTest {
protected:
    void SetUp() override {
        root.setControl("xprotect.duration", "0");
        open(root.path());
        report = pressAndWait("checkButton");
    }

    /// Presses `button` and serves the event loop until the spinner hides again (the work's
    /// completion has run); returns the console's text.
    std::string pressAndWait(const char* button) const {
        press(button);
        const auto* spinner = child<platform::BusyIndicator>("busySpinner");
        EXPECT_FALSE(spinner->isHidden());
        EXPECT_TRUE(QTest::qWaitFor([&] { return spinner->isHidden(); }, 30000));
        return text();
    }

    /// Presses save and answers the panel with `path`; returns the name the panel offered.
    std::string save(const std::string& path) const {
        press("saveButton");
        QFileDialog* dialog = nullptr; // open already: the panel does not block
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QFileDialog*>(widget); d && d->isVisible()) {
                dialog = d;
            }
        }
        if (dialog == nullptr) {
            ADD_FAILURE() << "no save panel";
            return {};
        }
        const std::string offered =
            dialog->selectedFiles().value(0).section(QLatin1Char('/'), -1).toStdString();
        dialog->selectFile(QString::fromStdString(path));
        // As the user's Save would, without the dialog's own question about replacing a file.
        static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
        return offered;
    }
    std::string text() const {
        return child<platform::ConsoleView>("outputTextbox")->toPlainText().toStdString();
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

    EXPECT_EQ(pressAndWait("runButton"),
              report + "\n\nXProtect Remediator has completed scanning.\nTo see the results, "
                       "click on the Check XProtect button.\n");
    // The name offered carries the date of the report's closing line.
    EXPECT_EQ(save(saveFolder.file("saved.text")),
              "Scanbrook-" + report.substr(report.size() - 20) + ".text");
    EXPECT_EQ(test::readFile(saveFolder.file("saved.text")), text());
}

TEST_F(WindowScanTest, AFailedCheckOrRunShowsItsErrorAndStopsAndHidesTheSpinner) {
    const auto* spinner = child<platform::BusyIndicator>("busySpinner");
    root.setControl("log.query.status", "1");
    const std::string failed = pressAndWait("checkButton");
    EXPECT_EQ(failed.substr(0, failed.size() - 20),
              "Error 1 when checking the log for XProtect Remediator scans.\nScanned at ");
    EXPECT_FALSE(spinner->isAnimating());

    root.setControl("xprotect.status", "3");
    EXPECT_EQ(pressAndWait("runButton"),
              failed + "\n\nError 3 when running XProtect Remediator scans.\n");
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_FALSE(spinner->isAnimating());
}

TEST_F(WindowScanTest, AFailedSaveIsReportedAtTheEndOfTheConsole) {
    // The panel adds ".text" to a name without it: the full device is reached through a link.
    std::filesystem::create_symlink("/dev/full", saveFolder.file("full.text"));
    save(saveFolder.file("full.text"));
    EXPECT_EQ(text(),
              report +
                  "The file \u201Cfull.text\u201D couldn\u2019t be saved in the folder \u201C" +
                  saveFolder.path() + "\u201D: No space left on device.");
}

} // namespace
} // namespace scanbrook
