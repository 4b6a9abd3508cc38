#pragma once

#include <QMainWindow>

class QAbstractButton;
class QAction;
class QMenu;
class QPlainTextEdit;

#include <memory>

namespace Ui {
class MainWindow;
}

namespace scanbrook {

class ViewController;
namespace platform {
class MainQueue;
class NoticeLine;
} // namespace platform

/// The window's own commands, each a menu item and (but Check XProtect) a button acting alike.
struct WindowActions {
    QAction* check;
    QAction* run;
    QAction* save;
    QAction* biggerText;
    QAction* smallerText;
    QAction* showSummary;
};

/// The main window as laid out in MainWindow.ui, handed to a ViewController: the window only
/// connects its controls to the controller's actions and tells it when it appears.
class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(std::shared_ptr<platform::MainQueue> mainQueue, QWidget* parent = nullptr);
    ~MainWindow() override;

    ViewController& viewController() { return *controller; }

    /// The Help menu, which the application shell fills in and marks.
    QMenu* helpMenu() const;
    /// The Help menu's item that opens a help window.
    QAction* openHelpAction() const;
    /// The console, on which the Edit menu acts.
    QPlainTextEdit* console() const;
    /// The window's commands, for the menus.
    WindowActions windowActions() const;
    /// The line below the report, for what the window has to say outside it.
    platform::NoticeLine& noticeLine();
    /// The toolbar button that opens the History window.
    QAbstractButton* historyButton() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void connectActions();
    void showSummaryTitle();
    void restoreLayout();

    struct Parts;
    std::unique_ptr<Ui::MainWindow> ui;
    std::unique_ptr<Parts> parts;
    std::unique_ptr<ViewController> controller;
};

} // namespace scanbrook
