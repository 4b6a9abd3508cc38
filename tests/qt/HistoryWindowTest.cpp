// The History window, offscreen, on a private copy of the simulated Mac whose ledger the real
// scanbrook-cli fills: what it shows against what `scanbrook-cli history` prints, its refresh
// after a record, its Save, and keeping the history in the background from the menu.
#include "app/HistoryWindow.h"
#include "QtTestSupport.h"
#include "app/HistoryMenus.h"
#include "platform/Process.h"
#include "platform/UserInfo.h"
#include "window/BackgroundKeeping.h"
#include "window/HistoryController.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QToolButton>

#include <ctime>

namespace scanbrook {
namespace {

class HistoryWindowTest : public test::WindowTest {
protected:
    void SetUp() override {
        root.setControl("xprotect.duration", "0");
        root.removeFile("/sim/store/launchd");
    }
    /// The main window with its history menus, and the History window opened from the menu.
    HistoryWindow& openHistory() {
        open(root.path());
        menus = new HistoryMenus(*window, mainQueue, SCANBROOK_CLI_PATH);
        menus->historyAction()->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return shownReads() > 0; }, 20000));
        return *menus->historyWindow();
    }
    std::uint64_t shownReads() const { return menus->historyWindow()->controller().shownReads(); }
    std::string cli(const std::vector<std::string>& arguments) const {
        const test::UsingPlatformRoot usingChild(root.path());
        return platform::runCommand(SCANBROOK_CLI_PATH, arguments).output;
    }
    /// A report without its closing "Scanned at" line, which says when it was read.
    static std::string withoutClosingLine(std::string text) {
        const std::size_t closing = text.rfind("\nScanned at ");
        return closing == std::string::npos ? text : text.substr(0, closing);
    }
    std::string shownReport() const { return menus->historyWindow()->controller().reportText(); }

    test::TempSimRoot root;
    const test::ScopedEnvironment home{"HOME", "/Users/tester"};
    const test::ScopedEnvironment user{platform::kUserIdVariable, "501"};
    HistoryMenus* menus = nullptr; // the main window owns it
};

TEST_F(HistoryWindowTest, ShowsWhatHistoryPrintsForEveryPeriodAndRemembersIt) {
    ASSERT_NE(cli({"record"}).find("Recorded "), std::string::npos);
    HistoryWindow& history = openHistory();
    auto* chooser = history.findChild<QComboBox*>(QStringLiteral("periodChooser"));
    ASSERT_EQ(chooser->count(), static_cast<int>(kHistoryPeriods.size()));
    EXPECT_EQ(history.windowTitle(), QStringLiteral("History"));
    for (std::size_t i = kHistoryPeriods.size(); i-- > 0;) {
        const std::uint64_t before = shownReads();
        chooser->setCurrentIndex(static_cast<int>(i));
        ASSERT_TRUE(QTest::qWaitFor([&] { return shownReads() > before; }, 20000));
        const std::string days = std::to_string(kHistoryPeriods[i].days);
        const std::string printed = cli({"history", "--days", days});
        EXPECT_EQ(withoutClosingLine(shownReport()), withoutClosingLine(printed)) << days;
        EXPECT_NE(printed.find("scans recorded in the last " + days + " days:\n"),
                  std::string::npos);
        EXPECT_EQ(history.findChild<QLabel*>(QStringLiteral("reachLine"))
                      ->text()
                      .contains(QStringLiteral("Nothing older was recorded.")),
                  printed.find("The ledger holds history since ") != std::string::npos)
            << days;
        EXPECT_EQ(settings.reopen()->value(QStringLiteral("historyPeriod")).toLongLong(),
                  kHistoryPeriods[i].days);
    }
    // A second press brings the same window to the front.
    window->historyButton()->click();
    EXPECT_EQ(menus->historyWindow(), &history);
    EXPECT_TRUE(history.isVisible());
}

TEST_F(HistoryWindowTest, ReadsAgainAfterARecordAndSavesWhatItShows) {
    // A ledger of one event a minute old, so that the report stays short (the font test below
    // sets the size of every character).
    const std::time_t minuteAgo = std::time(nullptr) - 60;
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S.000000+0000", std::gmtime(&minuteAgo));
    root.setControl(
        "log.query.output",
        std::string(R"([{"timestamp":")") + stamp +
            R"(","senderImagePath":"\/x\/XProtectRemediatorPirrit","eventMessage":"x"}])");
    cli({"record"});
    root.removeFile("/sim/control/log.query.output");
    openHistory();
    const std::string first = shownReport();
    const std::uint64_t before = shownReads();
    // A scan run adds events at the current time; a record, as the agent's, stores them.
    platform::runCommand(root.pathOf("/Library/Apple/System/Library/CoreServices/XProtect.app/"
                                     "Contents/MacOS/XProtect"),
                         {});
    ASSERT_NE(cli({"record"}).find("Recorded "), std::string::npos);
    ASSERT_TRUE(QTest::qWaitFor([&] { return shownReads() > before; },
                                HistoryWindow::kPollMilliseconds * 3));
    EXPECT_GT(shownReport().size(), first.size());

    // The report follows the console's size in the main window.
    auto* report =
        menus->historyWindow()->findChild<QPlainTextEdit*>(QStringLiteral("historyReport"));
    const qreal size = report->font().pointSizeF();
    QTest::mouseClick(window->findChild<QToolButton*>(QStringLiteral("largerButton")),
                      Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&] { return report->font().pointSizeF() == size + 1; },
                                HistoryWindow::kPollMilliseconds * 3));

    const test::TempFolder folder;
    auto* save = menus->historyWindow()->findChild<QPushButton*>(QStringLiteral("saveButton"));
    QTest::mouseClick(save, Qt::LeftButton);
    QFileDialog* dialog = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* d = qobject_cast<QFileDialog*>(widget); d && d->isVisible()) {
                dialog = d;
            }
        }
        return dialog != nullptr;
    }));
    EXPECT_TRUE(dialog->selectedFiles()
                    .value(0)
                    .section(QLatin1Char('/'), -1)
                    .startsWith(QStringLiteral("Scanbrook-History-")));
    dialog->selectFile(QString::fromStdString(folder.file("saved.text")));
    static_cast<QDialog*>(dialog)->done(QDialog::Accepted);
    EXPECT_EQ(test::readFile(folder.file("saved.text")), shownReport());
}

TEST_F(HistoryWindowTest, KeepsHistoryInTheBackgroundFromTheOfferAndTheMenu) {
    HistoryWindow& history = openHistory();
    auto* offer = history.findChild<QLabel*>(QStringLiteral("keepingOffer"));
    QAction* keep = menus->keepAction();
    const auto settled = [&] {
        return QTest::qWaitFor([&] { return keep->isEnabled() && !menus->keeping().busy(); },
                               20000);
    };
    ASSERT_TRUE(settled());
    EXPECT_TRUE(offer->isVisible());
    EXPECT_EQ(offer->text().remove(QRegularExpression(QStringLiteral("<[^>]*>"))),
              QStringLiteral("History is kept only while Scanbrook checks. Keep it in the "
                             "background\u2026"));

    Q_EMIT offer->linkActivated(QStringLiteral("keep"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return keep->isChecked(); }, 20000));
    EXPECT_FALSE(offer->isVisible());
    EXPECT_NE(cli({"agent", "status"}).find("installed and loaded"), std::string::npos);

    keep->trigger(); // unchecks: removes
    ASSERT_TRUE(QTest::qWaitFor([&] { return !keep->isChecked() && keep->isEnabled(); }, 20000));
    EXPECT_TRUE(offer->isVisible());
    EXPECT_NE(cli({"agent", "status"}).find("not installed"), std::string::npos);

    // A failing launchctl leaves it off and says why.
    root.setControl("launchctl.bootstrap.status", "5");
    keep->trigger();
    ASSERT_TRUE(settled());
    EXPECT_FALSE(keep->isChecked());
    QMessageBox* box = window->findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("launchctl bootstrap failed with status 5")));
}

} // namespace
} // namespace scanbrook
