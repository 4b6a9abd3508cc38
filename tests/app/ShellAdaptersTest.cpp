// The Qt adapters of the shell on real widgets, offscreen: the message box and the Help menu.

#include "app/ErrorAlert.h"
#include "platform/qt/QtAlertPresenter.h"
#include "platform/qt/QtHelpMenu.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

namespace scanbrook {
namespace {

/// Runs `show` with the real presenter. Once the box is up, tries Escape and the window's close
/// button (neither may choose for the user), notes the box in one line (icon, title, its texts,
/// its buttons in order with the default starred) and presses `button`. Returns the note and
/// what `show` returned.
std::pair<std::string, int> showAndPress(const std::function<int(platform::AlertPresenter&)>& show,
                                         const char* button) {
    QApplication::setApplicationDisplayName(QStringLiteral("Scanbrook"));
    std::string shown;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &poll, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        poll.stop();
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(box, &escape);
        box->close();
        shown = std::to_string(box->icon()) + "|" + box->windowTitle().toStdString();
        for (const QLabel* label : box->findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) { // not the icon
                shown += "|" + label->text().toStdString() +
                         (label->textFormat() == Qt::PlainText ? "" : " (rich)");
            }
        }
        for (QAbstractButton* b : box->buttons()) {
            shown += "|[" + b->text().toStdString() + (b == box->defaultButton() ? "*]" : "]");
        }
        for (QAbstractButton* b : box->buttons()) {
            if (b->text() == QString::fromUtf8(button)) {
                b->click();
            }
        }
    });
    poll.start(5);
    // Should the box never be recognised, the test fails instead of waiting for good.
    QTimer::singleShot(60'000, &poll, [] {
        ADD_FAILURE() << "no message box to answer";
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
        }
    });
    platform::QtAlertPresenter presenter;
    const int answer = show(presenter);
    return {shown, answer};
}

TEST(QtAlertPresenter, ShowsTheOfferAsPlainTextWithItsButtonsInOrderAndAnswersThePress) {
    // Markup from a hostile catalogue must not turn into a link in the alert.
    const platform::AlertRequest offer{platform::AlertStyle::Informational,
                                       "An update to this app to version <a href=\"x\">2.0</a>.",
                                       "<b>You</b> are running 1.0.0.",
                                       {"Ignore", "Download"}};
    EXPECT_EQ(
        showAndPress([&](platform::AlertPresenter& p) { return p.runModal(offer); }, "Download"),
        std::pair(std::to_string(QMessageBox::Information) +
                      "|Scanbrook|An update to this app to version <a href=\"x\">2.0</a>.|"
                      "<b>You</b> are running 1.0.0.|[Ignore*]|[Download]",
                  platform::AlertPresenter::kFirstButton + 1));
}

TEST(QtAlertPresenter, ShowsTheErrorAlertCriticalWithOneOkButton) {
    const auto [shown, answer] = showAndPress(
        [](platform::AlertPresenter& p) {
            showErrorAlert(p, "Can't check for updates:\nNo app version string found.");
            return 0;
        },
        "OK");
    EXPECT_EQ(shown, std::to_string(QMessageBox::Critical) +
                         "|Scanbrook|An error occurred:|Can't check for updates:\nNo app "
                         "version string found.|[OK*]");
}

TEST(QtHelpMenu, ChecksAndRetitlesOnlyTheFirstItemWithExactlyThatTitle) {
    QMenu menu;
    QAction* longer = menu.addAction(QStringLiteral("Update not checked\u2026"));
    QAction* update = menu.addAction(QStringLiteral("Update not checked"));
    QAction* twin = menu.addAction(QStringLiteral("Update not checked"));
    platform::QtHelpMenu(&menu).checkAndRetitleItem("Update not checked", "Checked for update");
    EXPECT_TRUE(update->isChecked());
    EXPECT_EQ(update->text(), QStringLiteral("Checked for update"));
    EXPECT_FALSE(longer->isChecked() || twin->isChecked());
    EXPECT_EQ(twin->text(), QStringLiteral("Update not checked"));
}

} // namespace
} // namespace scanbrook
