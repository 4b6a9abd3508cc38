#include "app/MainWindow.h"

#include "ledger/Ledger.h"
#include "platform/NumberFormatter.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtSummaryView.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUserDefaults.h"
#include "ui_MainWindow.h"
#include "window/ViewController.h"

#include <QShowEvent>

namespace scanbrook {

/// What the controller is given: the adapters over this window's widgets and the services.
struct MainWindow::Parts {
    Parts(Ui::MainWindow& ui, QMainWindow* window)
        : savePanel(window), textField(ui.textTimePeriod), stepper(ui.periodStep),
          console(ui.outputTextbox), spinner(ui.busySpinner), progress(ui.checkProgress),
          summary(ui.summaryPanel, ui.summaryLine, ui.summaryTable, ui.summaryButton),
          windowAdapter(window) {}

    platform::QtUserDefaults defaults;
    platform::SystemClock clock;
    platform::QtApplication application;
    platform::QtSavePanel savePanel;
    platform::QtTextField textField;
    platform::QtStepper stepper;
    platform::DecimalNumberFormatter formatter;
    platform::QtConsole console;
    platform::QtSpinner spinner;
    platform::QtProgressLine progress;
    platform::QtSummaryView summary;
    platform::QtWindow windowAdapter;
};

MainWindow::MainWindow(std::shared_ptr<platform::MainQueue> mainQueue, QWidget* parent)
    : QMainWindow(parent), ui(std::make_unique<Ui::MainWindow>()) {
    ui->setupUi(this);
    parts = std::make_unique<Parts>(*ui, this);
    controller = std::make_unique<ViewController>(ViewControllerServices{
        .defaults = parts->defaults,
        .clock = parts->clock,
        .application = parts->application,
        .savePanel = parts->savePanel,
        .mainQueue = std::move(mainQueue),
        .ledgerPath = ledger::defaultLedgerPath(),
    });
    controller->setTextTimePeriod(&parts->textField);
    controller->setPeriodStep(&parts->stepper);
    controller->setPeriodStepFormatter(&parts->formatter);
    controller->setOutputTextbox(&parts->console);
    controller->setBusySpinner(&parts->spinner);
    controller->setProgressLine(&parts->progress);
    controller->setSummaryView(&parts->summary);
    controller->setViewWindow(&parts->windowAdapter);
    connectActions();
    controller->viewDidLoad();
}

MainWindow::~MainWindow() {
    // The controller goes before the widgets do, and a widget losing the focus while the window
    // is torn down may still signal: nothing may reach the controller from here on.
    parts->windowAdapter.setDelegate(nullptr);
    for (QObject* control : findChildren<QObject*>()) {
        control->disconnect(this);
    }
}

void MainWindow::connectActions() {
    ViewController* c = controller.get();
    connect(ui->periodStep, &platform::StepperWidget::valueStepped, this,
            [c] { c->stepSetPeriod(); });
    // Return, and leaving the field after a change.
    connect(ui->textTimePeriod, &QLineEdit::editingFinished, this, [c] { c->testSetPeriod(); });
    connect(ui->checkButton, &QPushButton::clicked, this, [c] { c->doCheckXPR(); });
    connect(ui->runButton, &QPushButton::clicked, this, [c] { c->doRunXPro(); });
    connect(ui->saveButton, &QPushButton::clicked, this, [c] { c->doSaveButton(); });
    connect(ui->largerButton, &QToolButton::clicked, this, [c] { c->incFontSize(); });
    connect(ui->smallerButton, &QToolButton::clicked, this, [c] { c->decFontSize(); });
    connect(ui->summaryButton, &QToolButton::toggled, this,
            [c](bool shown) { c->setShowSummary(shown); });
}

QMenu* MainWindow::helpMenu() const {
    return ui->menuHelp;
}

QAction* MainWindow::openHelpAction() const {
    return ui->actionOpenHelp;
}

QPlainTextEdit* MainWindow::console() const {
    return ui->outputTextbox;
}

QAbstractButton* MainWindow::historyButton() const {
    return ui->historyButton;
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Spontaneous show events come from the window system, such as a window restored from the
    // Dock or taskbar; the controller's appearance follows show() only.
    if (!event->spontaneous()) {
        controller->viewDidAppear();
    }
}

} // namespace scanbrook
