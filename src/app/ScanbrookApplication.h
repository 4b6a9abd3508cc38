#pragma once

#include <memory>

class QApplication;

namespace scanbrook {

class ApplicationShell;
class MainWindow;
namespace platform {
class MainQueue;
}

/// The application as the process entry builds it: Qt's application object with Scanbrook's
/// identity, the main window, and the shell with its launch checks.
class ScanbrookApplication {
public:
    /// `argc` and `argv` go to Qt unchanged.
    ScanbrookApplication(int& argc, char** argv);
    ~ScanbrookApplication();
    ScanbrookApplication(const ScanbrookApplication&) = delete;
    ScanbrookApplication& operator=(const ScanbrookApplication&) = delete;

    MainWindow& window() { return *window_; }

    /// Shows the window, runs the launch checks once the event loop has started, and serves the
    /// event loop until the application ends; returns its exit status.
    int run();

private:
    std::unique_ptr<QApplication> qtApplication_;
    std::shared_ptr<platform::MainQueue> mainQueue_;
    std::unique_ptr<MainWindow> window_;
    std::unique_ptr<ApplicationShell> shell_;
};

} // namespace scanbrook
