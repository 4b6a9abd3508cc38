#include "app/HistoryMenus.h"

#include "app/HistoryWindow.h"
#include "app/MainWindow.h"
#include "ledger/Ledger.h"
#include "platform/OperationQueue.h"
#include "platform/qt/MainQueue.h"
#include "window/BackgroundKeeping.h"
#include "window/ViewController.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSignalBlocker>

namespace scanbrook {

namespace {

/// The menu bar's Window menu, made before the Help menu when the bar has none yet.
QMenu& windowMenu(QMainWindow& window, QMenu* helpMenu) {
    QMenuBar* bar = window.menuBar();
    for (QAction* action : bar->actions()) {
        if (QMenu* menu = action->menu();
            menu != nullptr && menu->title().remove(QLatin1Char('&')) == QStringLiteral("Window")) {
            return *menu;
        }
    }
    auto* menu = new QMenu(QStringLiteral("&Window"), bar);
    bar->insertMenu(helpMenu != nullptr ? helpMenu->menuAction() : nullptr, menu);
    return *menu;
}

std::string bundledCommandLineTool() {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/scanbrook-cli");
    return QFile::encodeName(path).toStdString();
}

} // namespace

HistoryMenus::HistoryMenus(MainWindow& mainWindow, std::shared_ptr<platform::MainQueue> queue,
                           std::string program)
    : QObject(&mainWindow), window(mainWindow), mainQueue(std::move(queue)),
      background(std::make_unique<BackgroundKeeping>(
          mainQueue, std::make_shared<platform::OperationQueue>(1),
          program.empty() ? bundledCommandLineTool() : std::move(program))) {
    QMenu& menu = windowMenu(window, window.helpMenu());
    menu.addSeparator();
    openHistory = menu.addAction(QStringLiteral("History"));
    openHistory->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Y));
    connect(openHistory, &QAction::triggered, this, [this] { showHistory(); });
    keepInBackground = menu.addAction(QStringLiteral("Keep History in the Background"));
    keepInBackground->setCheckable(true);
    connect(keepInBackground, &QAction::triggered, this, [this](bool checked) {
        keepInBackground->setEnabled(false);
        background->setKeeping(checked);
    });
    connect(window.historyButton(), &QAbstractButton::clicked, this, [this] { showHistory(); });
    background->addListener(
        [this](bool keeping, const std::string& failure) { keepingAnswered(keeping, failure); });
    background->refresh();
}

HistoryMenus::~HistoryMenus() = default;

void HistoryMenus::showHistory() {
    if (!history) {
        ViewController* controller = &window.viewController();
        history = std::make_unique<HistoryWindow>(mainQueue, ledger::defaultLedgerPath(),
                                                  [controller] { return controller->fontSize(); });
        history->setKeeping(background->keeping());
        connect(history.get(), &HistoryWindow::keepInBackgroundRequested, this, [this] {
            keepInBackground->setEnabled(false);
            background->setKeeping(true);
        });
    }
    history->show();
    history->raise();
    history->activateWindow();
}

void HistoryMenus::keepingAnswered(bool keeping, const std::string& failure) {
    {
        const QSignalBlocker quiet(keepInBackground);
        keepInBackground->setChecked(keeping);
    }
    keepInBackground->setEnabled(true);
    if (history) {
        history->setKeeping(keeping);
    }
    if (!failure.empty()) {
        auto* box = new QMessageBox(QMessageBox::Warning,
                                    QStringLiteral("History could not be kept in the background"),
                                    QString::fromStdString(failure), QMessageBox::Ok, &window);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

} // namespace scanbrook
