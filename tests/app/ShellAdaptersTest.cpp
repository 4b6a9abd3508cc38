// The Qt adapters of the shell on real widgets, offscreen: the message box, the Help menu and
// the hand-over of URLs to the desktop.

#include "app/ErrorAlert.h"
#include "platform/qt/QtAlertPresenter.h"
#include "platform/qt/QtHelpMenu.h"
#include "platform/qt/QtUrlOpener.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace scanbrook {
namespace {

using platform::AlertPresenter;
using platform::AlertRequest;

/// Once the next message box is up, hands it to `inspect` and presses the button it returns.
void answerNextBox(std::function<QAbstractButton*(QMessageBox&)> inspect) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, inspect = std::move(inspect)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            poll->deleteLater();
            poll->stop();
            if (QAbstractButton* button = inspect(*box)) {
                button->click();
            } else {
                ADD_FAILURE() << "no such button";
                box->done(QDialog::Rejected);
            }
        }
    });
    poll->start(5);
}

QAbstractButton* buttonTitled(QMessageBox& box, const char* title) {
    for (QAbstractButton* button : box.buttons()) {
        if (button->text() == QString::fromUtf8(title)) {
            return button;
        }
    }
    return nullptr;
}

/// The box's icon, title, its two texts (shown as plain text) and its buttons, in one line.
std::string describe(QMessageBox& box) {
    std::string text = std::to_string(box.icon()) + "|" + box.windowTitle().toStdString();
    for (const QLabel* label : box.findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) { // not the icon
            text += "|" + label->text().toStdString() +
                    (label->textFormat() == Qt::PlainText ? "" : " (rich)");
        }
    }
    for (const QAbstractButton* button : box.buttons()) {
        text += "|[" + button->text().toStdString() + (button == box.defaultButton() ? "*]" : "]");
    }
    return text;
}

class QtAlertPresenterTest : public ::testing::Test {
protected:
    void SetUp() override { QApplication::setApplicationDisplayName(QStringLiteral("Scanbrook")); }
    platform::QtAlertPresenter presenter;
    std::string shown;
};

TEST_F(QtAlertPresenterTest, OffersAsAskedAsPlainTextAndCannotBeWavedAway) {
    // Markup from a hostile catalogue must not turn into a link in the alert.
    const AlertRequest offer{platform::AlertStyle::Informational,
                             "An update to this app to version <a href=\"x\">2.0</a>.",
                             "<b>You</b> are running 1.0.0.",
                             {"Ignore", "Download"}};
    answerNextBox([&](QMessageBox& box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
        box.close();
        EXPECT_TRUE(box.isVisible()) << "neither Escape nor closing chooses for the user";
        shown = describe(box);
        return buttonTitled(box, "Download");
    });
    EXPECT_EQ(presenter.runModal(offer), AlertPresenter::kFirstButton + 1);
    EXPECT_EQ(shown, std::to_string(QMessageBox::Information) +
                         "|Scanbrook|An update to this app to version <a href=\"x\">2.0</a>.|"
                         "<b>You</b> are running 1.0.0.|[Ignore*]|[Download]");
}

TEST_F(QtAlertPresenterTest, ErrorAlertIsCriticalWithOneOkButton) {
    answerNextBox([&](QMessageBox& box) {
        shown = describe(box);
        return buttonTitled(box, "OK");
    });
    showErrorAlert(presenter, "Can't check for updates:\nNo app version string found.");
    EXPECT_EQ(shown, std::to_string(QMessageBox::Critical) +
                         "|Scanbrook|An error occurred:|Can't check for updates:\nNo app "
                         "version string found.|[OK*]");
}

TEST(QtHelpMenu, ChecksAndRetitlesOnlyTheFirstItemWithExactlyThatTitle) {
    QMenu menu;
    QAction* help = menu.addAction(QStringLiteral("Scanbrook Help"));
    QAction* longer = menu.addAction(QStringLiteral("Update not checked\u2026"));
    QAction* nested =
        menu.addMenu(QStringLiteral("More"))->addAction(QStringLiteral("Update not checked"));
    QAction* update = menu.addAction(QStringLiteral("Update not checked"));
    QAction* twin = menu.addAction(QStringLiteral("Update not checked"));
    platform::QtHelpMenu(&menu).checkAndRetitleItem("Update not checked", "Checked for update");

    EXPECT_TRUE(update->isChecked());
    EXPECT_EQ(update->text(), QStringLiteral("Checked for update"));
    for (const QAction* untouched : {help, longer, nested, twin}) {
        EXPECT_FALSE(untouched->isChecked()) << untouched->text().toStdString();
        EXPECT_NE(untouched->text(), QStringLiteral("Checked for update"));
    }
}

/// Takes the place of the browser for https URLs.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("https"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("https")); }
    std::vector<std::string> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.push_back(url.toString(QUrl::FullyEncoded).toStdString()); }
};

TEST(QtUrlOpener, HandsTheAddressOverUnchangedAndNothingThatIsNoUrl) {
    UrlCatcher browser;
    const std::string url =
        "https://scanbrook.example/downloads/Scanbrook%202.0.zip?from=app&lang=en#top";
    platform::QtUrlOpener().openUrl(url);
    platform::QtUrlOpener().openUrl("https://scanbrook.example:port/downloads/");
    EXPECT_EQ(browser.opened, std::vector<std::string>{url});
}

} // namespace
} // namespace scanbrook

#include "ShellAdaptersTest.moc"
