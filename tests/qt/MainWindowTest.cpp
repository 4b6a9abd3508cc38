// The real window from MainWindow.ui, offscreen, on a private copy of the simulated Mac.

#include "QtTestSupport.h"

#include "platform/Bundle.h"
#include "platform/MacPaths.h"
#include "platform/qt/BusyIndicator.h"
#include "platform/qt/ConsoleView.h"
#include "support/Texts.h"
#include "window/ViewController.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSplitter>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

namespace scanbrook {
namespace {

class MainWindowTest : public test::WindowTest {
protected:
    void SetUp() override { root.setControl("xprotect.duration", "0"); }
    void open() { WindowTest::open(root.path()); }
    /// The font size of every run of characters in the console.
    std::vector<double> consoleSizes() const {
        std::vector<double> sizes;
        const QTextDocument& document = *child<platform::ConsoleView>("outputTextbox")->document();
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                sizes.push_back(it.fragment().charFormat().fontPointSize());
            }
        }
        return sizes;
    }
    std::string text() const {
        return child<platform::ConsoleView>("outputTextbox")->toPlainText().toStdString();
    }
    /// Presses `button`, serves the event loop until the spinner hides again (the work's
    /// completion has run) and checks that it stopped; returns the console's text.
    std::string pressAndWait(const char* button) const {
        press(button);
        const auto* spinner = child<platform::BusyIndicator>("busySpinner");
        EXPECT_FALSE(spinner->isHidden());
        EXPECT_TRUE(QTest::qWaitFor([&] { return spinner->isHidden(); }, 30000));
        EXPECT_FALSE(spinner->isAnimating());
        return text();
    }
    /// Presses save and answers the panel with `path`; returns the name the panel offered.
    std::string save(const std::string& path) const {
        press("saveButton");
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
                EXPECT_EQ(dialog->directory(), QDir(QString::fromStdString(saveFolder.path())));
                const std::string offered =
                    dialog->selectedFiles().value(0).section(QLatin1Char('/'), -1).toStdString();
                dialog->selectFile(QString::fromStdString(path));
                // As the user's Save would, without the dialog's question about replacing a file.
                static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
                return offered;
            }
        }
        ADD_FAILURE() << "no save panel";
        return {};
    }

    test::TempSimRoot root;
    test::TempFolder saveFolder;
};

TEST_F(MainWindowTest, FontButtonsResizeEveryCharacterAndRememberTheSize) {
    open();
    window->viewController().setOutputText("line one \u26a0\ufe0f\r\n");
    window->viewController().appendOutputText("line two");
    QTest::mouseClick(child<QToolButton>("largerButton"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("smallerButton"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("smallerButton"), Qt::LeftButton);
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("fontSize")).toDouble(), 11.0);
    EXPECT_EQ(consoleSizes(), std::vector<double>(consoleSizes().size(), 11.0));
}

TEST_F(MainWindowTest, CheckThenRunThenSaveUnderTheTitleOfTheInstalledVersion) {
    open();
    const auto info = platform::bundleInfoDictionary(root.pathOf(mac::kXProtectBundle));
    ASSERT_TRUE(info);
    EXPECT_EQ(window->windowTitle().toStdString(),
              "Scanbrook : XProtect Remediator version " + info->at("CFBundleShortVersionString"));
    const std::string report = pressAndWait("checkButton");
    EXPECT_TRUE(report.starts_with("XProtect Remediator scans completed in the last day:\n\n"));
    EXPECT_NE(report.find("  Adload          "), std::string::npos);
    EXPECT_EQ(report.find("\nScanned at "), report.size() - 32);

    EXPECT_EQ(pressAndWait("runButton"), report + test::kRunNotice);
    // The panel opens in Documents, where the user's folder list puts them.
    test::writeFile(std::string(std::getenv("XDG_CONFIG_HOME")) + "/user-dirs.dirs",
                    "XDG_DOCUMENTS_DIR=\"" + saveFolder.path() + "\"\n");
    // The name offered carries the date of the report's closing line.
    EXPECT_EQ(save(saveFolder.file("saved.text")),
              "Scanbrook-" + report.substr(report.size() - 20) + ".text");
    EXPECT_EQ(test::readFile(saveFolder.file("saved.text")), text());

#if defined(__linux__) // only Linux has a device that is always full
    // The panel adds ".text" to a name without it: the full device is reached through a link.
    std::filesystem::create_symlink("/dev/full", saveFolder.file("full.text"));
    // The failure comes in an alert too, which the user dismisses.
    QString alerted;
    QTimer dismiss;
    QObject::connect(&dismiss, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            alerted = box->informativeText();
            box->accept();
        }
    });
    dismiss.start(20);
    save(saveFolder.file("full.text"));
    const std::string failure = "The file \u201Cfull.text\u201D couldn\u2019t be saved in the "
                                "folder \u201C" +
                                saveFolder.path() + "\u201D: No space left on device.";
    EXPECT_EQ(text(), report + test::kRunNotice + failure);
    EXPECT_EQ(alerted.toStdString(), failure);
#endif
}

TEST_F(MainWindowTest, AFailedCheckOrRunShowsItsErrorAndStopsAndHidesTheSpinner) {
    root.setControl("log.query.status", "1");
    root.setControl("xprotect.status", "3");
    open();
    const std::string failed = pressAndWait("checkButton");
    EXPECT_EQ(failed.substr(0, failed.size() - 20), test::checkError(1) + "\nScanned at ");
    EXPECT_EQ(pressAndWait("runButton"), failed + test::runError(3));
}

/// Keyboard and screen-reader users: Tab follows the screen, Return in the period checks it,
/// and the verdict and progress lines are named by what they show and described by what they
/// are. (That a new verdict is announced cannot be seen here: Qt's offscreen platform has no
/// accessibility bridge, so QAccessible drops every event before any handler.)
TEST_F(MainWindowTest, TabFollowsTheScreenReturnChecksAndScreenReadersHearWhatLinesShow) {
    open();
    QApplication::setActiveWindow(window.get());
    child<QWidget>("textTimePeriod")->setFocus();
    std::vector<std::string> order;
    do {
        order.push_back(QApplication::focusWidget()->objectName().toStdString());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    } while (order.size() < 12 && (order.size() < 2 || order.front() != order.back()));
    // Save Report is disabled until there is a report, and the notice has no button yet.
    EXPECT_EQ(order, (std::vector<std::string>{"textTimePeriod", "periodStep", "checkButton",
                                               "runButton", "smallerButton", "largerButton",
                                               "summaryButton", "historyButton", "outputTextbox",
                                               "summaryTable", "textTimePeriod"}));
    EXPECT_TRUE(child<QPushButton>("checkButton")->isDefault());

    auto* field = child<QLineEdit>("textTimePeriod");
    field->setText(QStringLiteral("3"));
    QTest::keyClick(field, Qt::Key_Return);
    auto* verdict = child<QLabel>("summaryLine");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !verdict->text().isEmpty(); }, 30000));
    EXPECT_TRUE(text().starts_with("XProtect Remediator scans completed in the last 3 days:\n"));
    EXPECT_TRUE(child<QWidget>("saveButton")->isEnabled()) << "a report to save";

    auto* progress = child<QLabel>("checkProgress");
    progress->setText(QStringLiteral("Reading the log\u2026 7 events"));
    for (const auto& [label, what] :
         {std::pair{verdict, "Summary of the last check"}, std::pair{progress, "Check progress"}}) {
        QAccessibleInterface* line = QAccessible::queryAccessibleInterface(label);
        EXPECT_EQ(line->text(QAccessible::Name), label->text());
        EXPECT_EQ(line->text(QAccessible::Description), QString::fromUtf8(what));
    }
}

TEST_F(MainWindowTest, TheWindowsPlaceSizeAndSplitAreThoseOfItsLastClose) {
    open();
    window->setGeometry(40, 50, 900, 500);
    auto* splitter = child<QSplitter>("reportSplitter");
    splitter->setSizes({300, 560});
    const QList<int> sizes = splitter->sizes();
    window->close();
    window.reset();
    open();
    EXPECT_EQ(window->geometry().size(), QSize(900, 500));
    EXPECT_EQ(child<QSplitter>("reportSplitter")->sizes(), sizes);
}

} // namespace
} // namespace scanbrook
