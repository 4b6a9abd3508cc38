#pragma once

#include "app/LaunchChecks.h"
#include "platform/Clock.h"
#include "platform/Ui.h"
#include "platform/UserDefaults.h"

#include <functional>
#include <memory>
#include <vector>

namespace scanbrook {

/// A help window's controller: made anew for every request to open help.
class HelpWindowController {
public:
    virtual ~HelpWindowController() = default;
    virtual void showWindow() = 0;
};

/// What the application delegate gets from outside. The references must outlive it.
struct AppDelegateServices {
    platform::UserDefaults& defaults;
    platform::Clock& clock;
    platform::Application& application;
    platform::AlertPresenter& alerts;
    /// Starts the update check and returns once the download has started (or after its own
    /// alert when it could not start).
    std::function<void()> checkForUpdates;
    /// Makes the help window controller; shown and kept by openHelp().
    std::function<std::unique_ptr<HelpWindowController>()> makeHelpWindow;
    /// Brings the clock settings forward (platform::openClockSettings by default).
    std::function<void()> openClockSettings = nullptr;
    /// Makes the checks for one launch (the real ones by default).
    std::function<std::unique_ptr<LaunchChecks>()> makeLaunchChecks = nullptr;
};

/// The application shell: the launch sequence and the help windows. Runs on the main thread.
class AppDelegate {
public:
    explicit AppDelegate(AppDelegateServices services);

    /// Runs once, after the main window has been shown.
    void applicationDidFinishLaunching();
    void applicationWillTerminate() {}
    bool applicationSupportsSecureRestorableState() const { return true; }

    /// Opens a new help window; one already open is neither reused nor brought forward.
    void openHelp();

    /// The update check when it is due, then the five log-access checks in order. A failing
    /// check shows its alert and ends the application; nothing after it runs.
    void runLaunchChecks();

    const std::vector<std::unique_ptr<HelpWindowController>>& helpWindows() const {
        return myHelpWindow;
    }

private:
    void runUpdateSchedule();
    void fail(std::string_view message);

    std::vector<std::unique_ptr<HelpWindowController>> myHelpWindow;
    AppDelegateServices services_;
};

} // namespace scanbrook
