#pragma once

#include <QObject>

#include <memory>

namespace scanbrook {

class AppDelegate;
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
    ApplicationShell(MainWindow& window, std::shared_ptr<platform::MainQueue> mainQueue);
    ~ApplicationShell() override;

    /// Runs the launch sequence once the event loop has started, after the window has shown.
    void scheduleLaunchChecks();

    AppDelegate& delegate();

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
};

} // namespace scanbrook
