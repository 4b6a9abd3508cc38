#include "app/ApplicationShell.h"

#include "app/AppDelegate.h"
#include "app/AppMenus.h"
#include "app/HistoryMenus.h"
#include "app/MainWindow.h"
#include "app/UpdateCheck.h"
#include "platform/BuildInfo.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtAlertPresenter.h"
#include "platform/qt/QtHelpMenu.h"
#include "platform/qt/QtHttpClient.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUrlOpener.h"
#include "platform/qt/QtUserDefaults.h"
#include "ui_HelpWindow.h"

#include <QAction>
#include <QMenu>
#include <QTimer>
#include <QWidget>

namespace scanbrook {

namespace {

/// One help window from HelpWindow.ui; a new one for every request.
class QtHelpWindowController final : public HelpWindowController {
public:
    QtHelpWindowController() {
        ui.setupUi(&window);
        window.setAttribute(Qt::WA_QuitOnClose, false);
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

} // namespace

struct ApplicationShell::Parts {
    Parts(MainWindow& window, std::shared_ptr<platform::MainQueue> mainQueue)
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

ApplicationShell::ApplicationShell(MainWindow& window,
                                   std::shared_ptr<platform::MainQueue> mainQueue)
    : parts(std::make_unique<Parts>(window, mainQueue)) {
    addApplicationMenus(window, *window.console(), *window.helpMenu(), *window.openHelpAction());
    // History (⌘Y) and Keep History in the Background, in the Window menu.
    new HistoryMenus(window, std::move(mainQueue));
    AppDelegate* delegate = &parts->delegate;
    connect(window.openHelpAction(), &QAction::triggered, this,
            [delegate] { delegate->openHelp(); });
}

ApplicationShell::~ApplicationShell() = default;

void ApplicationShell::scheduleLaunchChecks() {
    // Queued, so that the checks start once the event loop runs and the window is on screen.
    QTimer::singleShot(0, this, [this] { parts->delegate.applicationDidFinishLaunching(); });
}

AppDelegate& ApplicationShell::delegate() {
    return parts->delegate;
}

} // namespace scanbrook
