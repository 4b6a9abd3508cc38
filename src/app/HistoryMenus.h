#pragma once

#include <QObject>

#include <memory>
#include <string>

class QAction;

namespace scanbrook {

class BackgroundKeeping;
class HistoryWindow;
class MainWindow;
namespace platform {
class MainQueue;
}

/// The history's places in the main window: "History" (⌘Y) and the checkable "Keep History in
/// the Background" in the Window menu, the toolbar's History button, and the one History window
/// they open.
class HistoryMenus final : public QObject {
    Q_OBJECT

public:
    /// `program` is the command-line tool the background agent runs; by default the one beside
    /// the application's executable, as the bundle keeps it.
    HistoryMenus(MainWindow& window, std::shared_ptr<platform::MainQueue> mainQueue,
                 std::string program = {});
    ~HistoryMenus() override;

    /// Opens the History window, or brings it to the front.
    void showHistory();
    HistoryWindow* historyWindow() const { return history.get(); }
    QAction* historyAction() const { return openHistory; }
    QAction* keepAction() const { return keepInBackground; }
    BackgroundKeeping& keeping() { return *background; }

private:
    void keepingAnswered(bool keeping, const std::string& failure);

    MainWindow& window;
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::unique_ptr<BackgroundKeeping> background;
    std::unique_ptr<HistoryWindow> history;
    QAction* openHistory = nullptr;
    QAction* keepInBackground = nullptr;
};

} // namespace scanbrook
