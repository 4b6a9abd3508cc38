#pragma once

#include "app/MainWindow.h"

class QAction;
class QIcon;
class QMainWindow;
class QMenu;
class QMenuBar;
class QPlainTextEdit;

namespace scanbrook {

/// The application icon, rendered from packaging/scanbrook.svg by the build: the window icon,
/// and the About box's.
QIcon applicationIcon();

/// Fills the window's menu bar the way a Mac application's is laid out, each item through Qt's
/// own mechanism so that every system gets its conventions: File (Check XProtect ⌘R, Run
/// XProtect Scans, Save Report… ⌘S, Close Window ⌘W, and Quit, which Qt moves into the Mac's
/// application menu), Edit (Copy and Select All acting on the console), View (Bigger and
/// Smaller Text on the zoom keys, Show/Hide Summary), Window (addWindowMenu), and Help, whose
/// help item takes the platform's help keys (F1, or ⌘? on the Mac) and which ends with About
/// Scanbrook (the Mac's application menu again).
void addApplicationMenus(QMainWindow& window, const WindowActions& actions, QPlainTextEdit& console,
                         QMenu& helpMenu, QAction& openHelp);

/// The Window menu, inserted before `before`: Minimize (⌘M) and Zoom, acting on the window in
/// front. Items that bring a window forward belong here too.
QMenu* addWindowMenu(QMenuBar& bar, QAction* before);

} // namespace scanbrook
