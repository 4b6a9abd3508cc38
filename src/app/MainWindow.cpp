#include "app/MainWindow.h"

#include "ledger/Ledger.h"
#include "platform/NumberFormatter.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtAlertPresenter.h"
#include "platform/qt/QtSummaryView.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUserDefaults.h"
#include "ui_MainWindow.h"
#include "window/ViewController.h"

#include <QCloseEvent>
#include <QShowEvent>

namespace scanbrook {

namespace {

// The window's size and place, and how the splitter shares the width, from the last close.
constexpr std::string_view kGeometryKey = "windowGeometry";
constexpr std::string_view kSplitterKey = "reportSplitterState";

} // namespace

/// What the controller is given: the adapters over this window's widgets and the services.
struct MainWindow::Parts {
    Parts(Ui::MainWindow& ui, QMainWindow* window)
        : savePanel(window), textField(ui.textTimePeriod), stepper(ui.periodStep),
          console(ui.outputTextbox), spinner(ui.busySpinner), progress(ui.checkProgress),
          summary(ui.summaryPanel, ui.summaryLine, ui.summaryTable, ui.summaryButton),
          notice(ui.noticeBar, ui.noticeLine, ui.noticeButton), windowAdapter(window) {
        commands.add(platform::WindowCommand::RunScans, ui.actionRun, ui.runButton);
        commands.add(platform::WindowCommand::SaveReport, ui.actionSave, ui.saveButton);
        commands.add(platform::WindowCommand::BiggerText, ui.actionBiggerText, ui.largerButton);
        commands.add(platform::WindowCommand::SmallerText, ui.actionSmallerText, ui.smallerButton);
    }

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
    platform::QtNoticeLine notice;
    platform::QtCommandStates commands;
    platform::QtAlertPresenter alerts;
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
        .alerts = &parts->alerts,
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
    controller->setCommandStates(&parts->commands);
    controller->setNoticeLine(&parts->notice);
    connectActions();
    // Every focusable control shows where the focus is, the text areas too. (Which controls Tab
    // reaches on a Mac is the user's choice in the system's keyboard settings.)
    for (QWidget* control :
         {static_cast<QWidget*>(ui->textTimePeriod), static_cast<QWidget*>(ui->outputTextbox),
          static_cast<QWidget*>(ui->summaryTable)}) {
        control->setAttribute(Qt::WA_MacShowFocusRect, true);
    }
    // Tab leaves the read-only console and the table rather than moving within them.
    ui->outputTextbox->setTabChangesFocus(true);
    ui->summaryTable->setTabKeyNavigation(false);
    restoreLayout();
    controller->viewDidLoad();
    showSummaryTitle();
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
    // Return in the field checks the period it names, as the default button would in a dialog.
    connect(ui->textTimePeriod, &QLineEdit::returnPressed, ui->actionCheck, &QAction::trigger);
    // Each button and its menu item are one action.
    const std::pair<QAbstractButton*, QAction*> buttons[] = {
        {ui->checkButton, ui->actionCheck},         {ui->runButton, ui->actionRun},
        {ui->saveButton, ui->actionSave},           {ui->largerButton, ui->actionBiggerText},
        {ui->smallerButton, ui->actionSmallerText},
    };
    for (const auto& [button, action] : buttons) {
        connect(button, &QAbstractButton::clicked, action, &QAction::trigger);
    }
    connect(ui->actionCheck, &QAction::triggered, this, [c] { c->doCheckXPR(); });
    connect(ui->actionRun, &QAction::triggered, this, [c] { c->doRunXPro(); });
    connect(ui->actionSave, &QAction::triggered, this, [c] { c->doSaveButton(); });
    connect(ui->actionBiggerText, &QAction::triggered, this, [c] { c->incFontSize(); });
    connect(ui->actionSmallerText, &QAction::triggered, this, [c] { c->decFontSize(); });
    connect(ui->summaryButton, &QToolButton::toggled, this, [this, c](bool shown) {
        c->setShowSummary(shown);
        showSummaryTitle();
    });
    connect(ui->actionShowSummary, &QAction::triggered, ui->summaryButton,
            &QAbstractButton::toggle);
}

void MainWindow::showSummaryTitle() {
    // The item says what choosing it does, as a Mac's View menu does.
    ui->actionShowSummary->setText(ui->summaryButton->isChecked() ? QStringLiteral("Hide Summary")
                                                                  : QStringLiteral("Show Summary"));
}

void MainWindow::restoreLayout() {
    // Nothing stored keeps the layout's size; a geometry saved on a screen that is gone is
    // moved onto one that is there.
    restoreGeometry(parts->defaults.bytesForKey(kGeometryKey));
    ui->reportSplitter->restoreState(parts->defaults.bytesForKey(kSplitterKey));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Reached once the controller has agreed to the close.
    parts->defaults.setBytes(saveGeometry(), kGeometryKey);
    parts->defaults.setBytes(ui->reportSplitter->saveState(), kSplitterKey);
    QMainWindow::closeEvent(event);
}

WindowActions MainWindow::windowActions() const {
    return {ui->actionCheck,      ui->actionRun,         ui->actionSave,
            ui->actionBiggerText, ui->actionSmallerText, ui->actionShowSummary};
}

platform::NoticeLine& MainWindow::noticeLine() {
    return parts->notice;
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
