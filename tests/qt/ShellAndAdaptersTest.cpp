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
#include <QVBoxLayout>
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

QAction* actionTitled(const QMainWindow& window, const char* text) {
    QAction* found = nullptr;
    for (QAction* each : window.findChildren<QAction*>()) {
        found = each->text() == QString::fromUtf8(text) ? each : found;
    }
    return found;
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
    using Keys = QKeySequence;
    const QList<Keys> none;
    const auto keys = [](Keys::StandardKey standard, const char* more = nullptr) {
        QList<Keys> all = Keys::keyBindings(standard);
        if (more != nullptr) {
            all.append(Keys(QString::fromLatin1(more)));
        }
        return all;
    };
    const auto size = [this](double p) { return window->viewController().fontSize() == p; };
    const auto shown = [this](const char* name) { return child<QWidget>(name)->isVisible(); };
    const auto enabled = [this](const char* name) { return child<QWidget>(name)->isEnabled(); };
    const struct {
        const char* menu;
        const char* text;
        QList<Keys> keys;
        bool enabled;                 // before any report
        std::function<bool()> effect; // once triggered; null: not triggered
    } rows[] = {
        {"&File", "Check XProtect", keys(Keys::UnknownKey, "Ctrl+R"), true,
         [&] { return shown("busySpinner"); }},
        {"&File", "Run XProtect Scans", none, true, [&] { return !enabled("runButton"); }},
        {"&File", "Save Report\u2026", keys(Keys::Save), false, nullptr},
        {"&File", "Close Window", keys(Keys::Close), true, nullptr},
        {"&Edit", "&Copy", keys(Keys::Copy), true,
         [] { return QGuiApplication::clipboard()->text() == QStringLiteral("second"); }},
        {"&Edit", "Select &All", keys(Keys::SelectAll), true,
         [&] {
             return console.textCursor().selectedText() == QStringLiteral("first line\u2029second");
         }},
        {"&View", "Bigger Text", keys(Keys::ZoomIn, "Ctrl+="), true, [&] { return size(13); }},
        {"&View", "Smaller Text", keys(Keys::ZoomOut), true, [&] { return size(12); }},
        {"&View", "Hide Summary", none, true,
         [&] { return !shown("summaryPanel") && actionTitled(*window, "Show Summary"); }},
        {"&Window", "Zoom", none, true, [&] { return window->isMaximized(); }},
        {"&Window", "Minimize", keys(Keys::UnknownKey, "Ctrl+M"), true,
         [&] { return window->isMinimized(); }},
        {"&Help", "Scanbrook Help", keys(Keys::HelpContents), true, nullptr},
        {"&Help", "&About Scanbrook", none, true,
         [&] {
             const auto* box = window->findChild<QMessageBox*>();
             // The icon is the one the build rendered.
             return box != nullptr && box->isVisible() &&
                    box->text() == QStringLiteral("Scanbrook ") + version &&
                    !box->iconPixmap().isNull();
         }},
        {"&File", "&Quit Scanbrook", keys(Keys::Quit), true, [&] { return !window->isVisible(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        QAction* action = actionTitled(*window, row.text);
        ASSERT_NE(action, nullptr);
        const auto* menu = qobject_cast<const QMenu*>(action->associatedObjects().value(0));
        EXPECT_EQ(menu ? menu->title() : QString(), QString::fromUtf8(row.menu));
        EXPECT_EQ(action->shortcuts(), row.keys);
        // Only these two go to the Mac's application menu.
        const std::string_view text = row.text;
        EXPECT_EQ(action->menuRole(), text == "&About Scanbrook"  ? QAction::AboutRole
                                      : text == "&Quit Scanbrook" ? QAction::QuitRole
                                                                  : QAction::NoRole);
        EXPECT_EQ(action->isEnabled(), row.enabled);
        if (row.effect) {
            action->trigger();
            EXPECT_TRUE(row.effect());
        }
    }
}

/// The help window closes as a document window does (the File menu's Close Window acts on the
/// window in front), and as a panel does with Escape; the main window stays.
TEST_F(ShellMenus, TheHelpWindowClosesWithCloseWindowItsKeysAndEscape) {
    open(root.path());
    shell = std::make_unique<ApplicationShell>(*window, mainQueue);
    const std::function<void(QWidget*)> ways[] = {
        [](QWidget* help) { QTest::keyClick(help, Qt::Key_Escape); },
        [](QWidget* help) { QTest::keySequence(help, QKeySequence(QKeySequence::Close)); },
        [&](QWidget*) { actionTitled(*window, "Close Window")->trigger(); },
    };
    for (const auto& close : ways) {
        shell->delegate().openHelp();
        QWidget* help = nullptr;
        for (QWidget* each : QApplication::topLevelWidgets()) {
            help = each->isVisible() && each != window.get() ? each : help;
        }
        ASSERT_NE(help, nullptr);
        QApplication::setActiveWindow(help);
        close(help);
        EXPECT_FALSE(help->isVisible());
        EXPECT_TRUE(window->isVisible());
    }
}

/// Answers every check, and notes at each what the window showed by then.
struct WatchedChecks final : LaunchChecks {
    explicit WatchedChecks(std::function<void()> w) : watch(std::move(w)) {}
    bool checkAdmin() override { return watched(); }
    bool checkPersist() override { return watched(); }
    bool checkTimesync() override { return watched(); }
    bool checkLogEntries() override { return watched(); }
    bool checkLogTimeFormat() override { return watched(); }
    bool watched() const { return watch(), true; }
    std::function<void()> watch;
};

TEST_F(ShellMenus, TheWindowIsDrawnAndSaysSoWhileTheLaunchChecksRun) {
    open(root.path());
    int ran = 0;
    auto* line = child<QLabel>("noticeLine");
    shell = std::make_unique<ApplicationShell>(*window, mainQueue, [&] {
        return std::make_unique<WatchedChecks>([&] {
            ++ran;
            EXPECT_TRUE(window->windowHandle()->isExposed() && line->isVisible());
            EXPECT_EQ(line->text(), QStringLiteral("Checking that the log can be read\u2026"));
        });
    });
    shell->scheduleLaunchChecks();
    EXPECT_EQ(ran, 0) << "the checks wait for the event loop";
    ASSERT_TRUE(QTest::qWaitFor([&] { return ran == 5; }, 10000));
    EXPECT_FALSE(line->isVisible()) << "gone once they passed";
}

TEST(QtSummaryView, LeadsWithTheGravestAndSortsRunsAsNumbersAndHides) {
    QWidget panel;
    auto* layout = new QVBoxLayout(&panel);
    auto* line = new QLabel(&panel);
    auto* table = new QTableWidget(&panel);
    layout->addWidget(line);
    layout->addWidget(table);
    QToolButton toggle;
    toggle.setCheckable(true);
    platform::QtSummaryView view(&panel, line, table, &toggle);
    std::vector<std::string> activated;
    view.setScannerActivation([&](const std::string& name) { activated.push_back(name); });
    const QColor plain = line->palette().color(QPalette::WindowText);
    for (const bool dark : {false, true}) {
        QPalette palette;
        palette.setColor(QPalette::Window, dark ? Qt::black : Qt::white);
        panel.setPalette(palette);
        view.showSummary({"Threat found",
                          platform::SummaryTone::Alarm,
                          {{"Adload", 10, "2024-03-05 09:41:07.123", "clean", 0, "clean", 0},
                           {"\u00C9mile", 9, "", "clean", 2, "threat_found", 3},
                           {"Zed", 11, "", "scan_problem", 1, "scan_problem", 1}},
                          {"XProtect data in use: 5298", "Note: data differs"}});
        // Red that reads on the window's colour.
        const QColor red = line->palette().color(QPalette::WindowText);
        EXPECT_GT(red.red(), red.green() + 60);
        EXPECT_EQ(red.lightness() > 128, dark);
    }
    EXPECT_EQ(line->text(), QStringLiteral("Threat found"));
    EXPECT_EQ(view.protectionLabel()->text(),
              QStringLiteral("XProtect data in use: 5298\nNote: data differs"));
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("\u00C9mile"));
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("Zed"));
    Q_EMIT table->cellDoubleClicked(1, 3);
    EXPECT_EQ(activated, std::vector<std::string>{"Zed"});
    table->sortItems(3, Qt::AscendingOrder);
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("9"));
    EXPECT_EQ(table->item(1, 4)->text(), QStringLiteral("2024-03-05 09:41:07.123"));

    view.clearSummary();
    EXPECT_EQ(line->text(), QString());
    EXPECT_EQ(line->palette().color(QPalette::WindowText), plain);
    EXPECT_EQ(table->rowCount(), 0);
    view.setSummaryHidden(true);
    EXPECT_TRUE(panel.isHidden());
    EXPECT_FALSE(toggle.isChecked());
}

TEST(QtConsole, SelectsALineAndKeepsTheText) {
    QPlainTextEdit edit;
    platform::QtConsole console(&edit);
    console.replaceText("head\n\nfirst\nsecond \u00E9\n", 12);
    console.selectLine(3);
    EXPECT_EQ(edit.textCursor().selectedText(), QStringLiteral("second \u00E9"));
    console.selectLine(9);
    EXPECT_EQ(edit.textCursor().selectedText(), QStringLiteral("second \u00E9"));
    EXPECT_EQ(console.plainText(), "head\n\nfirst\nsecond \u00E9\n");
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
