#include "app/ApplicationShell.h"

#include "app/AppDelegate.h"
#include "app/AppMenus.h"
#include "app/HistoryMenus.h"
#include "app/MainWindow.h"
#include "app/UpdateCheck.h"
#include "platform/BuildInfo.h"
#include "platform/Ui.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtAlertPresenter.h"
#include "platform/qt/QtHelpMenu.h"
#include "platform/qt/QtHttpClient.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUrlOpener.h"
#include "platform/qt/QtUserDefaults.h"
#include "ui_HelpWindow.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QShortcut>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace scanbrook {

namespace {

/// One help window from HelpWindow.ui; a new one for every request.
class QtHelpWindowController final : public HelpWindowController {
public:
    QtHelpWindowController() {
        ui.setupUi(&window);
        window.setAttribute(Qt::WA_QuitOnClose, false);
        // Closes like any document window, and like a panel with Escape.
        QList<QKeySequence> closeKeys = QKeySequence::keyBindings(QKeySequence::Close);
        closeKeys.append(QKeySequence(Qt::Key_Escape));
        for (const QKeySequence& keys : closeKeys) {
            QObject::connect(new QShortcut(keys, &window), &QShortcut::activated, &window,
                             &QWidget::close);
        }
    }
    void showWindow() override {
        window.show();
        window.raise();
        window.activateWindow();
    }

private:
    QWidget window;
    Ui::HelpWindow ui;
};

/// What the window says while the launch checks run.
constexpr std::string_view kCheckingLogText = "Checking that the log can be read\u2026";
/// How long the checks wait at most for the window system to show the window: about a second.
constexpr int kDrawnPolls = 50;
constexpr int kDrawnPollMilliseconds = 20;

} // namespace

struct ApplicationShell::Parts {
    Parts(MainWindow& window, std::shared_ptr<platform::MainQueue> mainQueue,
          std::function<std::unique_ptr<LaunchChecks>()> makeLaunchChecks)
        : helpMenu(window.helpMenu()),
          updates(http, std::move(mainQueue), alerts, helpMenu, urlOpener,
                  std::string(build::kUpdateCatalogueUrl), std::string(build::kDownloadBaseUrl)),
          delegate(AppDelegateServices{
              .defaults = defaults,
              .clock = clock,
              .application = application,
              .alerts = alerts,
              .checkForUpdates = [this] { updates.checkForUpdates(); },
              .makeHelpWindow = [] { return std::make_unique<QtHelpWindowController>(); },
              .makeLaunchChecks = std::move(makeLaunchChecks),
          }) {}

    platform::QtUserDefaults defaults;
    platform::SystemClock clock;
    platform::QtApplication application;
    platform::QtAlertPresenter alerts;
    platform::QtHttpClient http;
    platform::QtUrlOpener urlOpener;
    platform::QtHelpMenu helpMenu;
    UpdateChecker updates;
    AppDelegate delegate;
};

ApplicationShell::ApplicationShell(MainWindow& mainWindow,
                                   std::shared_ptr<platform::MainQueue> mainQueue,
                                   std::function<std::unique_ptr<LaunchChecks>()> makeLaunchChecks)
    : window(mainWindow),
      parts(std::make_unique<Parts>(window, mainQueue, std::move(makeLaunchChecks))) {
    addApplicationMenus(window, window.windowActions(), *window.console(), *window.helpMenu(),
                        *window.openHelpAction());
    // History (⌘Y) and Keep History in the Background, in the Window menu.
    new HistoryMenus(window, std::move(mainQueue));
    AppDelegate* delegate = &parts->delegate;
    connect(window.openHelpAction(), &QAction::triggered, this,
            [delegate] { delegate->openHelp(); });
}

ApplicationShell::~ApplicationShell() = default;

void ApplicationShell::scheduleLaunchChecks() {
    window.noticeLine().showNotice(kCheckingLogText);
    // Queued, so that the checks start once the event loop runs.
    QTimer::singleShot(0, this, [this] { runLaunchChecksOnceDrawn(kDrawnPolls); });
}

void ApplicationShell::runLaunchChecksOnceDrawn(int triesLeft) {
    // The checks hold the main thread until they end: the window is on screen and drawn with its
    // line first. Should the window system never show it, the checks run all the same.
    const QWindow* handle = window.windowHandle();
    if (triesLeft > 0 && (handle == nullptr || !handle->isExposed())) {
        QTimer::singleShot(kDrawnPollMilliseconds, this,
                           [this, triesLeft] { runLaunchChecksOnceDrawn(triesLeft - 1); });
        return;
    }
    window.repaint();
    parts->delegate.applicationDidFinishLaunching();
    window.noticeLine().hideNotice();
}

AppDelegate& ApplicationShell::delegate() {
    return parts->delegate;
}

} // namespace scanbrook
