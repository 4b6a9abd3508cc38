#include "app/AppMenus.h"

#include "platform/BuildInfo.h"
#include "platform/qt/DesktopConventions.h"

#include <QAction>
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

void addApplicationMenus(QMainWindow& window, QPlainTextEdit& console, QMenu& helpMenu,
                         QAction& openHelp) {
    QMenuBar* bar = window.menuBar();
    QAction* beforeHelp = helpMenu.menuAction();

    QMenu* fileMenu = nullptr;
    if (!platform::kMenuBarHasApplicationMenu) {
        fileMenu = new QMenu(QStringLiteral("&File"), bar);
        bar->insertMenu(beforeHelp, fileMenu);
    }
    auto* editMenu = new QMenu(QStringLiteral("&Edit"), bar);
    bar->insertMenu(beforeHelp, editMenu);

    // The console is read-only, so copying and selecting all are its only edits.
    QAction* copy =
        addItem(*editMenu, QStringLiteral("&Copy"), QKeySequence::Copy, QAction::NoRole);
    QObject::connect(copy, &QAction::triggered, &console, &QPlainTextEdit::copy);
    QAction* selectAll =
        addItem(*editMenu, QStringLiteral("Select &All"), QKeySequence::SelectAll, QAction::NoRole);
    QObject::connect(selectAll, &QAction::triggered, &console, &QPlainTextEdit::selectAll);

    openHelp.setShortcuts(QKeySequence::HelpContents);

    // Qt moves both into the application menu on the Mac, whichever menu holds them.
    helpMenu.addSeparator();
    QAction* about = addItem(helpMenu, QStringLiteral("&About Scanbrook"), QKeySequence::UnknownKey,
                             QAction::AboutRole);
    QObject::connect(about, &QAction::triggered, &window, [&window] { showAbout(window); });
    QAction* quit =
        addItem(fileMenu != nullptr ? *fileMenu : helpMenu, QStringLiteral("&Quit Scanbrook"),
                QKeySequence::Quit, QAction::QuitRole);
    // Closing the window is how the application ends, on every path.
    QObject::connect(quit, &QAction::triggered, &window, &QMainWindow::close);
}

} // namespace scanbrook
