#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace scanbrook {

class AppDelegate;
class LaunchChecks;
class MainWindow;
namespace platform {
class MainQueue;
}

/// The application shell in Qt: the delegate with its help windows, the update check over the
/// network and the menus, wired to the main window's menu bar. The shell never calls the window
/// itself; it only adds the menus (the Edit menu acting on the console) and marks the Help menu.
class ApplicationShell final : public QObject {
    Q_OBJECT

public:
    /// `makeLaunchChecks` makes the checks of the launch; the real ones when null.
    ApplicationShell(MainWindow& window, std::shared_ptr<platform::MainQueue> mainQueue,
                     std::function<std::unique_ptr<LaunchChecks>()> makeLaunchChecks = nullptr);
    ~ApplicationShell() override;

    /// Runs the launch sequence once the event loop has started and the window has been drawn,
    /// with a line in the window that says so while the checks run.
    void scheduleLaunchChecks();

    AppDelegate& delegate();

private:
    void runLaunchChecksOnceDrawn(int triesLeft);

    MainWindow& window;
    struct Parts;
    std::unique_ptr<Parts> parts;
};

} // namespace scanbrook
