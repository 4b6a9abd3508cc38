// The shell's menus on the real window, and the adapters whose behaviour the window tests cannot
// see: the summary table's sorting and the progress line's polling.

#include "QtTestSupport.h"

#include "app/AppDelegate.h"
#include "app/ApplicationShell.h"
#include "app/LaunchChecks.h"
#include "platform/BuildInfo.h"
#include "platform/qt/QtSummaryView.h"
#include "platform/qt/QtUi.h"
#include "window/ViewController.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QToolButton>
#include <QWindow>

#include <functional>

namespace scanbrook {
namespace {

class ShellMenus : public test::WindowTest {
protected:
    // No test may reach out to the network: the update check is turned off.
    void SetUp() override { settings.writeSettingsFile("[General]\nnoUpdateCheck=true\n"); }
    void TearDown() override {
        shell.reset(); // before the window it serves
        WindowTest::TearDown();
    }

    test::TempSimRoot root;
    std::unique_ptr<ApplicationShell> shell;
};

/// The menu of the menu bar that holds `action`, by its title.
QString menuOf(const QMainWindow& window, const QAction* action) {
    for (const QAction* entry : window.menuBar()->actions()) {
        if (entry->menu() != nullptr && entry->menu()->actions().contains(action)) {
            return entry->menu()->title();
        }
    }
    return {};
}

TEST_F(ShellMenus, TakeThePlatformsRolesKeysAndActions) {
    open(root.path());
    shell = std::make_unique<ApplicationShell>(*window, mainQueue);
    QApplication::setActiveWindow(window.get());
    QPlainTextEdit& console = *window->console();
    console.setPlainText(QStringLiteral("first line\nsecond"));
    console.moveCursor(QTextCursor::End);
    console.moveCursor(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    const QString version =
        QString::fromUtf8(build::kVersion.data(), static_cast<qsizetype>(build::kVersion.size()));
    const auto keys = [](QKeySequence::StandardKey standard, const char* more = nullptr) {
        QList<QKeySequence> all = QKeySequence::keyBindings(standard);
        if (more != nullptr) {
            all.append(QKeySequence(QString::fromLatin1(more)));
        }
        return all;
    };
    const auto fontSize = [this] { return window->viewController().fontSize(); };
    const struct {
        const char* menu;
        const char* text;
        QList<QKeySequence> keys;
        QAction::MenuRole role;
        bool enabled;                 // before any report
        std::function<bool()> effect; // once triggered; null: not triggered
    } rows[] = {
        {"&File",
         "Check XProtect",
         {QKeySequence(QStringLiteral("Ctrl+R"))},
         QAction::NoRole,
         true,
         [&] { return child<QWidget>("busySpinner")->isVisible(); }},
        {"&File",
         "Run XProtect Scans",
         {},
         QAction::NoRole,
         true,
         [&] { return !child<QWidget>("runButton")->isEnabled(); }},
        {"&File", "Save Report\u2026", keys(QKeySequence::Save), QAction::NoRole, false, nullptr},
        {"&File", "Close Window", keys(QKeySequence::Close), QAction::NoRole, true, nullptr},
        {"&Edit", "&Copy", keys(QKeySequence::Copy), QAction::NoRole, true,
         [] { return QGuiApplication::clipboard()->text() == QStringLiteral("second"); }},
        {"&Edit", "Select &All", keys(QKeySequence::SelectAll), QAction::NoRole, true,
         [&] {
             return console.textCursor().selectedText() == QStringLiteral("first line\u2029second");
         }},
        {"&View", "Bigger Text", keys(QKeySequence::ZoomIn, "Ctrl+="), QAction::NoRole, true,
         [&] { return fontSize() == 13.0; }},
        {"&View", "Smaller Text", keys(QKeySequence::ZoomOut), QAction::NoRole, true,
         [&] { return fontSize() == 12.0; }},
        {"&View",
         "Hide Summary",
         {},
         QAction::NoRole,
         true,
         [&] {
             return child<QWidget>("summaryPanel")->isHidden() &&
                    window->windowActions().showSummary->text() == QStringLiteral("Show Summary");
         }},
        {"&Window", "Zoom", {}, QAction::NoRole, true, [&] { return window->isMaximized(); }},
        {"&Window",
         "Minimize",
         {QKeySequence(QStringLiteral("Ctrl+M"))},
         QAction::NoRole,
         true,
         [&] { return window->isMinimized(); }},
        {"&Help", "Scanbrook Help", keys(QKeySequence::HelpContents), QAction::NoRole, true,
         nullptr},
        {"&Help",
         "&About Scanbrook",
         {},
         QAction::AboutRole,
         true,
         [&] {
             const auto* box = window->findChild<QMessageBox*>();
             // The icon is the one the build rendered.
             return box != nullptr && box->isVisible() &&
                    box->text() == QStringLiteral("Scanbrook ") + version &&
                    !box->iconPixmap().isNull();
         }},
        {"&File", "&Quit Scanbrook", keys(QKeySequence::Quit), QAction::QuitRole, true,
         [&] { return !window->isVisible(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        QAction* action = nullptr;
        for (QAction* each : window->findChildren<QAction*>()) {
            action = each->text() == QString::fromUtf8(row.text) ? each : action;
        }
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(menuOf(*window, action), QString::fromUtf8(row.menu));
        EXPECT_EQ(action->shortcuts(), row.keys);
        EXPECT_EQ(action->menuRole(), row.role);
        EXPECT_EQ(action->isEnabled(), row.enabled);
        if (row.effect) {
            action->trigger();
            EXPECT_TRUE(row.effect());
        }
    }
}

/// The help window closes as a document window does (the File menu's Close Window acts on the
/// window in front), and as a panel does with Escape.
TEST_F(ShellMenus, TheHelpWindowClosesWithCloseWindowItsKeysAndEscape) {
    open(root.path());
    shell = std::make_unique<ApplicationShell>(*window, mainQueue);
    QAction* closeWindow = nullptr;
    for (QAction* each : window->findChildren<QAction*>()) {
        closeWindow = each->text() == QStringLiteral("Close Window") ? each : closeWindow;
    }
    ASSERT_NE(closeWindow, nullptr);
    const std::function<void(QWidget&)> ways[] = {
        [](QWidget& help) { QTest::keyClick(&help, Qt::Key_Escape); },
        [](QWidget& help) {
            const QKeySequence keys(QKeySequence::Close);
            QTest::keySequence(&help, keys);
        },
        [&](QWidget&) { closeWindow->trigger(); },
    };
    for (const auto& close : ways) {
        shell->delegate().openHelp();
        QWidget* help = nullptr;
        for (QWidget* each : QApplication::topLevelWidgets()) {
            help = each->windowTitle() == QStringLiteral("Scanbrook Help") && each->isVisible()
                       ? each
                       : help;
        }
        ASSERT_NE(help, nullptr);
        QApplication::setActiveWindow(help);
        close(*help);
        EXPECT_FALSE(help->isVisible());
        EXPECT_TRUE(window->isVisible()) << "the main window stays";
    }
}

/// Answers every check and notes, at the first, what the window showed by then.
struct WatchedChecks final : LaunchChecks {
    explicit WatchedChecks(std::function<void()> first) : atFirst(std::move(first)) {}
    bool checkAdmin() override {
        atFirst();
        return true;
    }
    bool checkPersist() override { return true; }
    bool checkTimesync() override { return true; }
    bool checkLogEntries() override { return true; }
    bool checkLogTimeFormat() override { return true; }
    const std::string& clockScript() const override { return script; }
    std::function<void()> atFirst;
    std::string script;
};

TEST_F(ShellMenus, TheWindowIsDrawnAndSaysSoWhileTheLaunchChecksRun) {
    open(root.path());
    bool ran = false;
    shell = std::make_unique<ApplicationShell>(*window, mainQueue, [&] {
        return std::make_unique<WatchedChecks>([&] {
            ran = true;
            EXPECT_TRUE(window->windowHandle()->isExposed());
            EXPECT_TRUE(child<QLabel>("noticeLine")->isVisible());
            EXPECT_EQ(child<QLabel>("noticeLine")->text(),
                      QStringLiteral("Checking that the log can be read\u2026"));
        });
    });
    shell->scheduleLaunchChecks();
    EXPECT_FALSE(ran) << "the checks wait for the event loop";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran; }, 10000));
    EXPECT_FALSE(child<QLabel>("noticeLine")->isVisible()) << "gone once they passed";
}

TEST(QtSummaryView, ShowsTheLineAndSortsRunsAsNumbersAndHides) {
    QWidget panel;
    auto* line = new QLabel(&panel);
    auto* table = new QTableWidget(&panel);
    QToolButton toggle;
    toggle.setCheckable(true);
    platform::QtSummaryView view(&panel, line, table, &toggle);
    view.showSummary(
        "2 warning(s) in the last day",
        {{"Adload", 10, "2024-03-05 09:41:07.123", "warning"}, {"\u00C9mile", 9, "", ""}});
    EXPECT_EQ(line->text(), QStringLiteral("2 warning(s) in the last day"));
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("\u00C9mile"));
    table->sortItems(1, Qt::AscendingOrder);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("9"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("2024-03-05 09:41:07.123"));

    view.clearSummary();
    EXPECT_EQ(line->text(), QString());
    EXPECT_EQ(table->rowCount(), 0);
    view.setSummaryHidden(true);
    EXPECT_TRUE(panel.isHidden());
    EXPECT_FALSE(toggle.isChecked());
}

TEST(QtProgressLine, AsksForItsTextUntilHiddenAndShowsNothingForAnEmptyOne) {
    QWidget window;
    auto* label = new QLabel(&window);
    window.show();
    platform::QtProgressLine progress(label);
    EXPECT_TRUE(label->isHidden());
    std::string text;
    progress.showProgress([&text] { return text; });
    EXPECT_TRUE(label->isHidden()) << "nothing read yet";
    text = "Reading the log\u2026 7 events";
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->isVisible(); }, 60000));
    EXPECT_EQ(label->text(), QStringLiteral("Reading the log\u2026 7 events"));
    progress.hideProgress();
    EXPECT_TRUE(label->isHidden());
    text = "Reading the log\u2026 8 events";
    QTest::qWait(400);
    EXPECT_TRUE(label->isHidden()) << "hidden means no longer asked";
}

} // namespace
} // namespace scanbrook
