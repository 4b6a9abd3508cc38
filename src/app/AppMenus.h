#pragma once

class QAction;
class QIcon;
class QMainWindow;
class QMenu;
class QPlainTextEdit;

namespace scanbrook {

/// Adds the menus every desktop application has to the window's menu bar, each through Qt's
/// own mechanism so that the Mac gets its conventions: Quit (QuitRole, the platform's Quit
/// keys) in a File menu, or in the Mac's application menu; an Edit menu whose Copy and Select
/// All act on the console; About Scanbrook (AboutRole) with the version, at the end of the Help
/// menu or in the Mac's application menu; and the help item on the platform's help keys (F1,
/// or ⌘? on the Mac).
/// The application icon, rendered from packaging/scanbrook.svg by the build: the window icon,
/// and the About box's.
QIcon applicationIcon();

void addApplicationMenus(QMainWindow& window, QPlainTextEdit& console, QMenu& helpMenu,
                         QAction& openHelp);

} // namespace scanbrook
