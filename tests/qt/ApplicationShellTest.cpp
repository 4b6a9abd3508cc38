#include "QtTestSupport.h"

#include "app/AppDelegate.h"
#include "app/ApplicationShell.h"
#include "app/MainWindow.h"
#include "platform/Paths.h"
#include "platform/qt/MainQueue.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

#include <optional>

namespace scanbrook {
namespace {

constexpr int kStillRunning = 7;

/// The real window and shell on a private copy of the simulated Mac, with settings of their own
/// that turn the update check off (no test may reach out to the network).
class ApplicationShellTest : public ::testing::Test {
protected:
    void SetUp() override { settings.writeSettingsFile("[General]\nnoUpdateCheck=true\n"); }
    void TearDown() override {
        shell.reset();
        window.reset();
        if (mainQueue) {
            mainQueue->close();
        }
        platform::reloadPlatformRoot();
    }
    void open() {
        environment.emplace(platform::kPlatformRootVariable, root.path());
        platform::reloadPlatformRoot();
        mainQueue = std::make_shared<platform::MainQueue>();
        window = std::make_unique<MainWindow>(mainQueue);
        shell = std::make_unique<ApplicationShell>(*window, mainQueue);
        window->show();
    }

    /// Runs the event loop with the launch checks scheduled, answering each alert with OK and
    /// noting its message. Returns exec's status: 0 when the application was ended,
    /// kStillRunning when it was still running after a while.
    int launch() {
        shell->scheduleLaunchChecks();
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, window.get(), [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box != nullptr && box->isVisible()) {
                alerts.push_back(box->informativeText().toStdString());
                ASSERT_EQ(box->buttons().size(), 1);
                EXPECT_EQ(box->buttons().front()->text(), QStringLiteral("OK"));
                box->buttons().front()->click();
            }
        });
        answer.start(20);
        QTimer::singleShot(1500, window.get(), [] { QCoreApplication::exit(kStillRunning); });
        return QCoreApplication::exec();
    }

    test::SettingsFolder settings;
    test::TempSimRoot root;
    std::optional<test::ScopedEnvironment> environment;
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::unique_ptr<MainWindow> window;
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

TEST_F(ApplicationShellTest, HelpOpensANewWindowEveryTime) {
    open();
    window->openHelpAction()->trigger();
    window->openHelpAction()->trigger();
    EXPECT_EQ(shell->delegate().helpWindows().size(), 2U);
    int shown = 0;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowTitle() == QStringLiteral("Scanbrook Help")) {
            ++shown;
            const auto* text = widget->findChild<QTextBrowser*>();
            ASSERT_NE(text, nullptr);
            EXPECT_TRUE(text->toPlainText().contains(QStringLiteral("warning sign")));
        }
    }
    EXPECT_EQ(shown, 2);
}

} // namespace
} // namespace scanbrook
