#include "platform/qt/QtAlertPresenter.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QLabel>
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
    // The texts may carry what a server sent (a catalogue's version string): shown as plain
    // text, never as markup that could plant a link or an image in the alert.
    box.setTextFormat(Qt::PlainText);
    box.setText(QString::fromStdString(request.messageText));
    box.setInformativeText(QString::fromStdString(request.informativeText));
    // The body has a label of its own, which setTextFormat() does not reach.
    if (auto* body = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"))) {
        body->setTextFormat(Qt::PlainText);
    }
    // One role for all keeps the buttons in the order given. With several buttons neither
    // Escape nor the window's close button answers: the user has to press one.
    QList<QPushButton*> buttons;
    for (const std::string& title : request.buttons) {
        buttons.append(box.addButton(QString::fromStdString(title), QMessageBox::ActionRole));
    }
    if (!buttons.isEmpty()) {
        box.setDefaultButton(buttons.first());
    }
    box.exec();

    const qsizetype index = buttons.indexOf(qobject_cast<QPushButton*>(box.clickedButton()));
    // A box closed without a press of one of its buttons answers like the default button.
    return kFirstButton + static_cast<int>(index < 0 ? 0 : index);
}

} // namespace scanbrook::platform
