// The real window and shell on a private simulated Mac: the launch checks and the Help menu.

#include "QtTestSupport.h"

#include "app/ApplicationShell.h"
#include "platform/BuildInfo.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTextBrowser>
#include <QTimer>

#include <functional>

namespace scanbrook {
namespace {

constexpr int kStillRunning = 7;

class ApplicationShellTest : public test::WindowTest {
protected:
    // No test may reach out to the network: the update check is turned off.
    void SetUp() override { settings.writeSettingsFile("[General]\nnoUpdateCheck=true\n"); }
    void TearDown() override {
        shell.reset(); // before the window it serves
        WindowTest::TearDown();
    }
    void open() {
        WindowTest::open(root.path());
        shell = std::make_unique<ApplicationShell>(*window, mainQueue);
    }

    /// Runs the event loop with the launch checks scheduled, noting and answering each alert.
    /// Returns 0 when the application was ended, kStillRunning when it still ran after a while.
    int launch() {
        shell->scheduleLaunchChecks();
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, window.get(), [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible() && box->buttons().size() == 1) {
                alerts.push_back(box->informativeText().toStdString());
                box->buttons().front()->click();
            }
        });
        answer.start(20);
        QTimer::singleShot(1500, window.get(), [] { QCoreApplication::exit(kStillRunning); });
        return QCoreApplication::exec();
    }

    test::TempSimRoot root;
    std::unique_ptr<ApplicationShell> shell;
    std::vector<std::string> alerts;
};

TEST_F(ApplicationShellTest, OnTheSimulatedMacEveryCheckPassesAndTheAppStays) {
    open();
    EXPECT_EQ(launch(), kStillRunning);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(ApplicationShellTest, AFailingCheckShowsItsAlertAndEndsTheApplication) {
    root.emptyFolder("/var/db/diagnostics/Persist");
    root.setControl("log.text.status", "1"); // a later check fails too, but never gets to say so
    open();
    EXPECT_EQ(launch(), 0);
    EXPECT_EQ(alerts, std::vector<std::string>{"Scanbrook can't find any log files on your Mac."});
}

TEST_F(ApplicationShellTest, TheHelpMenuOpensANewHelpWindowEveryTime) {
    open();
    // The update check finds its item by this title.
    EXPECT_TRUE(std::ranges::any_of(window->helpMenu()->actions(), [](const QAction* action) {
        return action->text() == QStringLiteral("Update not checked");
    }));
    EXPECT_EQ(window->openHelpAction()->text(), QStringLiteral("Scanbrook Help"));
    window->openHelpAction()->trigger();
    window->openHelpAction()->trigger();
    int shown = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == QStringLiteral("Scanbrook Help")) {
            const auto* text = widget->findChild<QTextBrowser*>();
            shown +=
                text != nullptr && text->toPlainText().contains(QStringLiteral("warning sign"));
        }
    }
    EXPECT_EQ(shown, 2);
}

TEST_F(ApplicationShellTest, TheMenusTakeThePlatformsRolesKeysAndActions) {
    open();
    QPlainTextEdit& console = *window->console();
    console.setPlainText(QStringLiteral("first line\nsecond"));
    console.moveCursor(QTextCursor::End);
    console.moveCursor(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    const QString version =
        QString::fromUtf8(build::kVersion.data(), static_cast<qsizetype>(build::kVersion.size()));
    const struct {
        const char* text;
        QKeySequence::StandardKey keys;
        QAction::MenuRole role;
        std::function<bool()> effect; // once triggered; null: not triggered
    } rows[] = {
        {"Scanbrook Help", QKeySequence::HelpContents, QAction::NoRole, nullptr},
        {"&Copy", QKeySequence::Copy, QAction::NoRole,
         [] { return QGuiApplication::clipboard()->text() == QStringLiteral("second"); }},
        {"Select &All", QKeySequence::SelectAll, QAction::NoRole,
         [&] {
             return console.textCursor().selectedText() == QStringLiteral("first line\u2029second");
         }},
        {"&About Scanbrook", QKeySequence::UnknownKey, QAction::AboutRole,
         [&] {
             const auto* box = window->findChild<QMessageBox*>();
             // The icon is the one the build rendered.
             return box != nullptr && box->isVisible() &&
                    box->text() == QStringLiteral("Scanbrook ") + version &&
                    !box->iconPixmap().isNull();
         }},
        {"&Quit Scanbrook", QKeySequence::Quit, QAction::QuitRole,
         [&] { return !window->isVisible(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        QAction* action = nullptr;
        for (QAction* each : window->findChildren<QAction*>()) {
            action = each->text() == QString::fromUtf8(row.text) ? each : action;
        }
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcuts(), QKeySequence::keyBindings(row.keys));
        EXPECT_EQ(action->menuRole(), row.role);
        if (row.effect) {
            action->trigger();
            EXPECT_TRUE(row.effect());
        }
    }
}

} // namespace
} // namespace scanbrook
