#include "platform/qt/QtHelpMenu.h"

#include <QAction>
#include <QMenu>
#include <QString>

namespace scanbrook::platform {

void QtHelpMenu::checkAndRetitleItem(std::string_view title, std::string_view newTitle) {
    if (menu.isNull()) {
        return;
    }
    const QString wanted = QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
    const QList<QAction*> actions = menu->actions();
    for (QAction* action : actions) {
        if (action->text() == wanted) {
            action->setCheckable(true);
            action->setChecked(true);
            action->setText(
                QString::fromUtf8(newTitle.data(), static_cast<qsizetype>(newTitle.size())));
            return;
        }
    }
}

} // namespace scanbrook::platform
