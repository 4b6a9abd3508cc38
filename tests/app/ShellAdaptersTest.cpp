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
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scanbrook {
namespace {

using platform::AlertPresenter;
using platform::AlertRequest;
using platform::AlertStyle;

QString q(const char* utf8) {
    return QString::fromUtf8(utf8);
}

/// Once the next message box is up, hands it to `inspect` and presses the button that returns,
/// or closes the box some other way when it returns none.
void answerNextBox(std::function<QAbstractButton*(QMessageBox&)> inspect) {
    auto* poll = new QTimer;
    poll->setInterval(std::chrono::milliseconds(5));
    QObject::connect(poll, &QTimer::timeout, poll, [poll, inspect = std::move(inspect)] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible()) {
            return;
        }
        poll->stop();
        poll->deleteLater();
        if (QAbstractButton* button = inspect(*box)) {
            button->click();
        } else {
            box->done(QDialog::Rejected);
        }
    });
    poll->start();
}

QAbstractButton* buttonTitled(QMessageBox& box, const QString& title) {
    for (QAbstractButton* button : box.buttons()) {
        if (button->text() == title) {
            return button;
        }
    }
    return nullptr;
}

std::vector<std::string> buttonTitles(const QMessageBox& box) {
    std::vector<std::string> titles;
    for (const QAbstractButton* button : box.buttons()) {
        titles.push_back(button->text().toStdString());
    }
    return titles;
}

AlertRequest offer() {
    return {AlertStyle::Informational,
            "An update to this app to version 2.0 is available.",
            "You are currently running Scanbrook version 1.0.0.\nPlease choose whether to "
            "download this update now in your default browser.",
            {"Ignore", "Download"}};
}

class QtAlertPresenterTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousName = QApplication::applicationDisplayName();
        QApplication::setApplicationDisplayName(q("Scanbrook"));
    }
    void TearDown() override { QApplication::setApplicationDisplayName(previousName); }

    platform::QtAlertPresenter presenter;
    QString previousName;
};

TEST_F(QtAlertPresenterTest, ShowsTheOfferAsAsked) {
    bool inspected = false;
    answerNextBox([&](QMessageBox& box) -> QAbstractButton* {
        inspected = true;
        EXPECT_EQ(box.icon(), QMessageBox::Information);
        EXPECT_EQ(box.windowTitle(), q("Scanbrook"));
        EXPECT_EQ(box.text().toStdString(), offer().messageText);
        EXPECT_EQ(box.informativeText().toStdString(), offer().informativeText);
        EXPECT_EQ(buttonTitles(box), (std::vector<std::string>{"Ignore", "Download"}));
        EXPECT_NE(box.defaultButton(), nullptr);
        EXPECT_EQ(box.defaultButton(), buttonTitled(box, q("Ignore")));
        return buttonTitled(box, q("Ignore"));
    });
    EXPECT_EQ(presenter.runModal(offer()), AlertPresenter::kFirstButton);
    EXPECT_TRUE(inspected);
}

TEST_F(QtAlertPresenterTest, AnswersTheSecondButtonWithTheNextNumber) {
    answerNextBox([](QMessageBox& box) { return buttonTitled(box, q("Download")); });
    EXPECT_EQ(presenter.runModal(offer()), AlertPresenter::kFirstButton + 1);
}

TEST_F(QtAlertPresenterTest, ReturnKeyPressesTheFirstButton) {
    answerNextBox([](QMessageBox& box) -> QAbstractButton* {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(&box, &press);
        EXPECT_FALSE(box.isVisible());
        return nullptr;
    });
    EXPECT_EQ(presenter.runModal(offer()), AlertPresenter::kFirstButton);
}

TEST_F(QtAlertPresenterTest, TheOfferCannotBeWavedAway) {
    answerNextBox([](QMessageBox& box) {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
        box.close();
        EXPECT_TRUE(box.isVisible()) << "neither Escape nor closing chooses for the user";
        return buttonTitled(box, q("Download"));
    });
    EXPECT_EQ(presenter.runModal(offer()), AlertPresenter::kFirstButton + 1);
}

TEST_F(QtAlertPresenterTest, ShowsMarkupAsPlainText) {
    // A hostile catalogue's version string must not turn into a link in the alert.
    const AlertRequest request{
        AlertStyle::Informational,
        "An update to this app to version <a href=\"https://elsewhere.example/\">2.0</a> is "
        "available.",
        "<b>You</b> are currently running Scanbrook version 1.0.0.\nPlease choose.",
        {"Ignore", "Download"}};
    int texts = 0;
    answerNextBox([&](QMessageBox& box) {
        for (const QLabel* label : box.findChildren<QLabel*>()) {
            if (label->text().isEmpty()) {
                continue; // the icon
            }
            ++texts;
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        }
        return buttonTitled(box, q("Ignore"));
    });
    presenter.runModal(request);
    EXPECT_EQ(texts, 2) << "the title line and the body";
}

TEST_F(QtAlertPresenterTest, ErrorAlertIsCriticalWithOneOkButton) {
    bool inspected = false;
    answerNextBox([&](QMessageBox& box) {
        inspected = true;
        EXPECT_EQ(box.icon(), QMessageBox::Critical);
        EXPECT_EQ(box.windowTitle(), q("Scanbrook"));
        EXPECT_EQ(box.text(), q("An error occurred:"));
        EXPECT_EQ(box.informativeText(),
                  q("Can't check for updates:\nNo app version string found."));
        EXPECT_EQ(buttonTitles(box), std::vector<std::string>{"OK"});
        return buttonTitled(box, q("OK"));
    });
    showErrorAlert(presenter, "Can't check for updates:\nNo app version string found.");
    EXPECT_TRUE(inspected);
}

TEST_F(QtAlertPresenterTest, EscapeDismissesTheErrorAlert) {
    answerNextBox([](QMessageBox& box) -> QAbstractButton* {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QApplication::sendEvent(&box, &escape);
        EXPECT_FALSE(box.isVisible());
        return nullptr;
    });
    showErrorAlert(presenter, "Update Property List has no entries.");
}

TEST_F(QtAlertPresenterTest, TwoErrorAlertsComeOneAfterTheOther) {
    QPointer<QMessageBox> first;
    std::vector<std::string> seen;
    answerNextBox([&](QMessageBox& box) {
        first = &box;
        seen.push_back(box.informativeText().toStdString());
        return buttonTitled(box, q("OK"));
    });
    showErrorAlert(presenter, "first");
    answerNextBox([&](QMessageBox& box) {
        EXPECT_TRUE(first.isNull()) << "the first alert is gone before the second shows";
        seen.push_back(box.informativeText().toStdString());
        return buttonTitled(box, q("OK"));
    });
    showErrorAlert(presenter, "second");
    EXPECT_EQ(seen, (std::vector<std::string>{"first", "second"}));
}

// --- Help menu -----------------------------------------------------------------------------

TEST(QtHelpMenu, ChecksAndRetitlesTheFirstItemWithTheTitle) {
    QMenu menu;
    QAction* help = menu.addAction(q("Scanbrook Help"));
    QAction* update = menu.addAction(q("Update not checked"));
    QAction* twin = menu.addAction(q("Update not checked"));
    platform::QtHelpMenu helpMenu(&menu);

    helpMenu.checkAndRetitleItem("Update not checked", "Checked for update");
    EXPECT_TRUE(update->isCheckable());
    EXPECT_TRUE(update->isChecked());
    EXPECT_EQ(update->text(), q("Checked for update"));
    EXPECT_FALSE(twin->isChecked());
    EXPECT_EQ(twin->text(), q("Update not checked"));
    EXPECT_FALSE(help->isChecked());
    EXPECT_EQ(help->text(), q("Scanbrook Help"));
}

TEST(QtHelpMenu, LeavesTheMenuAloneWithoutAnExactMatch) {
    QMenu menu;
    QAction* item = menu.addAction(q("Update not checked…"));
    QMenu* submenu = menu.addMenu(q("More"));
    QAction* nested = submenu->addAction(q("Update not checked"));
    platform::QtHelpMenu helpMenu(&menu);

    helpMenu.checkAndRetitleItem("Update not checked", "Checked for update");
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(item->text(), q("Update not checked…"));
    EXPECT_FALSE(nested->isChecked()) << "submenus are not searched";
}

TEST(QtHelpMenu, WithoutAMenuNothingHappens) {
    platform::QtHelpMenu none(nullptr);
    none.checkAndRetitleItem("Update not checked", "Checked for update");

    auto menu = std::make_unique<QMenu>();
    platform::QtHelpMenu gone(menu.get());
    menu.reset();
    gone.checkAndRetitleItem("Update not checked", "Checked for update");
    SUCCEED() << "no crash";
}

// --- URLs ----------------------------------------------------------------------------------

/// Takes the place of the browser for https and http URLs.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() {
        QDesktopServices::setUrlHandler(q("https"), this, "open");
        QDesktopServices::setUrlHandler(q("http"), this, "open");
    }
    ~UrlCatcher() override {
        QDesktopServices::unsetUrlHandler(q("https"));
        QDesktopServices::unsetUrlHandler(q("http"));
    }
    std::vector<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl& url) { opened.push_back(url); }
};

TEST(QtUrlOpener, HandsTheAddressOverUnchanged) {
    UrlCatcher browser;
    platform::QtUrlOpener opener;
    const std::string url =
        "https://scanbrook.example/downloads/Scanbrook%202.0.zip?from=app&lang=en#top";
    opener.openUrl(url);
    ASSERT_EQ(browser.opened.size(), 1U);
    EXPECT_EQ(browser.opened[0].toString(QUrl::FullyEncoded).toStdString(), url);
}

TEST(QtUrlOpener, OpensNothingForTextThatFormsNoUrl) {
    UrlCatcher browser;
    platform::QtUrlOpener opener;
    opener.openUrl("https://scanbrook.example/downloads/a b");
    opener.openUrl("https://scanbrook.example:port/downloads/");
    EXPECT_TRUE(browser.opened.empty());
}

} // namespace
} // namespace scanbrook

#include "ShellAdaptersTest.moc"
