#include "app/AppMenus.h"

#include "platform/BuildInfo.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>

namespace scanbrook {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QAction* addItem(QMenu& menu, const QString& text, QKeySequence::StandardKey keys,
                 QAction::MenuRole role) {
    QAction* action = menu.addAction(text);
    action->setShortcuts(keys);
    action->setMenuRole(role);
    return action;
}

void showAbout(QMainWindow& window) {
    auto* box = new QMessageBox(&window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(QStringLiteral("About Scanbrook"));
    box->setText(QStringLiteral("Scanbrook ") + fromUtf8(build::kVersion));
    box->setInformativeText(QStringLiteral(
        "Shows what XProtect Remediator, the Mac's malware scanner, has been doing."));
    box->setIconPixmap(applicationIcon().pixmap(64, 64));
    box->setStandardButtons(QMessageBox::Ok);
    // Window-modal and not waiting: a sheet on the Mac, and the event loop keeps serving.
    box->open();
}

} // namespace

QIcon applicationIcon() {
    QIcon icon;
    for (const int size : {32, 64, 256}) {
        icon.addFile(QStringLiteral(":/icon/scanbrook-%1.png").arg(size));
    }
    return icon;
}

QMenu* addWindowMenu(QMenuBar& bar, QAction* before) {
    auto* windowMenu = new QMenu(QStringLiteral("&Window"), &bar);
    bar.insertMenu(before, windowMenu);
    QAction* minimize = windowMenu->addAction(QStringLiteral("Minimize"));
    minimize->setShortcut(QKeySequence(QStringLiteral("Ctrl+M")));
    QObject::connect(minimize, &QAction::triggered, windowMenu, [] {
        if (QWidget* front = QApplication::activeWindow()) {
            front->showMinimized();
        }
    });
    minimize->setMenuRole(QAction::NoRole);
    QAction* zoom = windowMenu->addAction(QStringLiteral("Zoom"));
    zoom->setMenuRole(QAction::NoRole);
    QObject::connect(zoom, &QAction::triggered, windowMenu, [] {
        if (QWidget* front = QApplication::activeWindow()) {
            front->isMaximized() ? front->showNormal() : front->showMaximized();
        }
    });
    return windowMenu;
}

void addApplicationMenus(QMainWindow& window, const WindowActions& actions, QPlainTextEdit& console,
                         QMenu& helpMenu, QAction& openHelp) {
    QMenuBar* bar = window.menuBar();
    QAction* beforeHelp = helpMenu.menuAction();

    auto* fileMenu = new QMenu(QStringLiteral("&File"), bar);
    bar->insertMenu(beforeHelp, fileMenu);
    fileMenu->addAction(actions.check);
    fileMenu->addAction(actions.run);
    fileMenu->addSeparator();
    actions.save->setShortcuts(QKeySequence::Save);
    fileMenu->addAction(actions.save);
    fileMenu->addSeparator();
    QAction* close =
        addItem(*fileMenu, QStringLiteral("Close Window"), QKeySequence::Close, QAction::NoRole);
    // The window in front: the help window closes as a document window does, and the main
    // window's close ends the application.
    QObject::connect(close, &QAction::triggered, &window, [&window] {
        QWidget* front = QApplication::activeWindow();
        (front != nullptr ? front : &window)->close();
    });

    auto* editMenu = new QMenu(QStringLiteral("&Edit"), bar);
    bar->insertMenu(beforeHelp, editMenu);
    // The console is read-only, so copying and selecting all are its only edits.
    QAction* copy =
        addItem(*editMenu, QStringLiteral("&Copy"), QKeySequence::Copy, QAction::NoRole);
    QObject::connect(copy, &QAction::triggered, &console, &QPlainTextEdit::copy);
    QAction* selectAll =
        addItem(*editMenu, QStringLiteral("Select &All"), QKeySequence::SelectAll, QAction::NoRole);
    QObject::connect(selectAll, &QAction::triggered, &console, &QPlainTextEdit::selectAll);

    auto* viewMenu = new QMenu(QStringLiteral("&View"), bar);
    bar->insertMenu(beforeHelp, viewMenu);
    // ⌘= too: the key that carries + on most keyboards, without Shift.
    actions.biggerText->setShortcuts(QKeySequence::keyBindings(QKeySequence::ZoomIn)
                                     << QKeySequence(QStringLiteral("Ctrl+=")));
    actions.smallerText->setShortcuts(QKeySequence::ZoomOut);
    viewMenu->addAction(actions.biggerText);
    viewMenu->addAction(actions.smallerText);
    viewMenu->addSeparator();
    viewMenu->addAction(actions.showSummary);

    addWindowMenu(*bar, beforeHelp);

    openHelp.setShortcuts(QKeySequence::HelpContents);

    // Qt moves both into the application menu on the Mac, whichever menu holds them.
    helpMenu.addSeparator();
    QAction* about = addItem(helpMenu, QStringLiteral("&About Scanbrook"), QKeySequence::UnknownKey,
                             QAction::AboutRole);
    QObject::connect(about, &QAction::triggered, &window, [&window] { showAbout(window); });
    fileMenu->addSeparator();
    QAction* quit = addItem(*fileMenu, QStringLiteral("&Quit Scanbrook"), QKeySequence::Quit,
                            QAction::QuitRole);
    // Closing the window is how the application ends, on every path.
    QObject::connect(quit, &QAction::triggered, &window, &QMainWindow::close);

    // Only About and Quit move to the Mac's application menu; Qt would otherwise guess from
    // the titles of the others.
    for (const QMenu* menu : {fileMenu, editMenu, viewMenu}) {
        for (QAction* item : menu->actions()) {
            if (item->menuRole() == QAction::TextHeuristicRole) {
                item->setMenuRole(QAction::NoRole);
            }
        }
    }
}

} // namespace scanbrook
