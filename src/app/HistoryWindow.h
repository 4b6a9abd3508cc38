#pragma once

#include <QWidget>

#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace Ui {
class HistoryWindow;
}

namespace scanbrook {

class HistoryController;
namespace platform {
class MainQueue;
}

/// The History window as laid out in HistoryWindow.ui, handed to a HistoryController: the
/// ledger's report of a period in the console's font, its summary, and from when the ledger
/// holds history. While it is open it looks at the ledger every few seconds.
class HistoryWindow final : public QWidget {
    Q_OBJECT

public:
    HistoryWindow(std::shared_ptr<platform::MainQueue> mainQueue, std::string ledgerPath,
                  std::function<double()> fontSize, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    HistoryController& controller();
    /// Whether the history is kept in the background: without it the window offers to.
    void setKeeping(bool keeping);

    /// How often the window looks at the ledger while it is open.
    static constexpr int kPollMilliseconds = 3000;

Q_SIGNALS:
    /// The offer to keep the history in the background was taken.
    void keepInBackgroundRequested();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct Parts;
    std::unique_ptr<Ui::HistoryWindow> ui;
    std::unique_ptr<Parts> parts;
    QTimer* pollTimer = nullptr;
};

} // namespace scanbrook
