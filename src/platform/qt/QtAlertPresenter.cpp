#include "platform/qt/QtAlertPresenter.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QList>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace scanbrook::platform {

int QtAlertPresenter::runModal(const AlertRequest& request) {
    QMessageBox box;
    box.setIcon(request.style == AlertStyle::Critical ? QMessageBox::Critical
                                                      : QMessageBox::Information);
    box.setWindowTitle(QGuiApplication::applicationDisplayName());
    box.setText(QString::fromStdString(request.messageText));
    box.setInformativeText(QString::fromStdString(request.informativeText));
    // One role for all keeps the buttons in the order given. With several buttons none of them
    // answers Escape or the close button: the user has to choose, as the request asks.
    QList<QPushButton*> buttons;
    for (const std::string& title : request.buttons) {
        buttons.append(box.addButton(QString::fromStdString(title), QMessageBox::ActionRole));
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(buttons.first());
    }
    box.exec();

    const qsizetype index = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    // Without a button of its own a box can only be dismissed, which answers like the default.
    return kFirstButton + static_cast<int>(index < 0 ? 0 : index);
}

} // namespace scanbrook::platform
