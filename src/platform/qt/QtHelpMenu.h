#pragma once

#include "platform/Ui.h"

#include <QPointer>

class QMenu;

namespace scanbrook::platform {

/// The Help menu of the main window's menu bar. A null menu, or one that is gone, stands for an
/// application without a Help menu: nothing is marked.
class QtHelpMenu final : public HelpMenu {
public:
    explicit QtHelpMenu(QMenu* helpMenu) : menu(helpMenu) {}
    /// Looks among the menu's own items only, not in its submenus.
    void checkAndRetitleItem(std::string_view title, std::string_view newTitle) override;

private:
    QPointer<QMenu> menu;
};

} // namespace scanbrook::platform
