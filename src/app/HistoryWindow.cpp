#include "app/HistoryWindow.h"

#include "platform/OperationQueue.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtSummaryView.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUserDefaults.h"
#include "ui_HistoryWindow.h"
#include "window/HistoryController.h"

#include <QSignalBlocker>
#include <QTimer>

namespace scanbrook {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

class QtHistoryView final : public HistoryView {
public:
    explicit QtHistoryView(Ui::HistoryWindow& form) : ui(form) {}

    void showPeriod(std::size_t index) override {
        const QSignalBlocker quiet(ui.periodChooser);
        ui.periodChooser->setCurrentIndex(static_cast<int>(index));
    }
    void showReach(std::string_view line) override {
        ui.reachLine->setText(fromUtf8(line));
        ui.reachLine->setAccessibleName(fromUtf8(line));
    }
    void showKeepingOffer(bool shown) override { ui.keepingOffer->setVisible(shown); }

private:
    Ui::HistoryWindow& ui;
};

} // namespace

struct HistoryWindow::Parts {
    Parts(Ui::HistoryWindow& ui, QWidget* window, std::shared_ptr<platform::MainQueue> mainQueue,
          std::string ledgerPath, std::function<double()> fontSize)
        : savePanel(window), console(ui.historyReport),
          // No toggle: the History window always shows its summary.
          summary(ui.summaryPanel, ui.summaryLine, ui.summaryTable, nullptr), view(ui),
          controller(HistoryControllerServices{
              .defaults = defaults,
              .clock = clock,
              .savePanel = savePanel,
              .mainQueue = std::move(mainQueue),
              .workQueue = std::make_shared<platform::OperationQueue>(1),
              .ledgerPath = std::move(ledgerPath),
              .fontSize = std::move(fontSize),
          }) {}

    platform::QtUserDefaults defaults;
    platform::SystemClock clock;
    platform::QtSavePanel savePanel;
    platform::QtConsole console;
    platform::QtSummaryView summary;
    QtHistoryView view;
    HistoryController controller;
};

HistoryWindow::HistoryWindow(std::shared_ptr<platform::MainQueue> mainQueue, std::string ledgerPath,
                             std::function<double()> fontSize, QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::HistoryWindow>()) {
    ui->setupUi(this);
    setAttribute(Qt::WA_QuitOnClose, false);
    ui->keepingOffer->setVisible(false);
    for (const HistoryPeriod& period : kHistoryPeriods) {
        ui->periodChooser->addItem(fromUtf8(period.title));
    }
    parts = std::make_unique<Parts>(*ui, this, std::move(mainQueue), std::move(ledgerPath),
                                    std::move(fontSize));
    HistoryController* c = &parts->controller;
    c->setConsole(&parts->console);
    c->setSummaryView(&parts->summary);
    c->setHistoryView(&parts->view);
    connect(ui->periodChooser, &QComboBox::currentIndexChanged, this, [c](int index) {
        if (index >= 0) {
            c->choosePeriod(static_cast<std::size_t>(index));
        }
    });
    connect(ui->saveButton, &QPushButton::clicked, this, [c] { c->doSaveButton(); });
    connect(ui->keepingOffer, &QLabel::linkActivated, this,
            [this] { Q_EMIT keepInBackgroundRequested(); });
    pollTimer = new QTimer(this);
    pollTimer->setInterval(kPollMilliseconds);
    connect(pollTimer, &QTimer::timeout, this, [c] { c->poll(); });
    c->windowDidLoad();
}

HistoryWindow::~HistoryWindow() {
    for (QObject* control : findChildren<QObject*>()) {
        control->disconnect(this);
    }
}

HistoryController& HistoryWindow::controller() {
    return parts->controller;
}

void HistoryWindow::setKeeping(bool keeping) {
    parts->controller.setKeeping(keeping);
}

void HistoryWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    parts->controller.applyFontSize();
    // Whatever was recorded while the window was closed shows at once.
    parts->controller.poll();
    pollTimer->start();
}

void HistoryWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    pollTimer->stop();
}

} // namespace scanbrook
