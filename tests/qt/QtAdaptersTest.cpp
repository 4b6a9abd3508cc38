// The Qt adapters behind the platform's interfaces, on real widgets offscreen and the real
// settings file.

#include "QtTestSupport.h"

#include "platform/qt/ConsoleView.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUserDefaults.h"
#include "platform/qt/StepperWidget.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QTextBlock>
#include <QThread>

#include <limits>
#include <thread>
#include <vector>

namespace scanbrook {
namespace {

using platform::QtUserDefaults;
constexpr auto kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr auto kInt64Min = std::numeric_limits<std::int64_t>::min();

struct StoredValueCase {
    const char* name;
    const char* iniValue; // null: the key is absent
    double asDouble;
    std::int64_t asInteger;
    bool asBool;
};

class StoredValue : public ::testing::TestWithParam<StoredValueCase> {};

TEST_P(StoredValue, IsReadAsAPersonWroteItIntoTheSettingsFile) {
    const StoredValueCase& c = GetParam();
    const test::SettingsFolder folder;
    folder.writeSettingsFile("[General]\nother=1\n" +
                             (c.iniValue ? "key=" + std::string(c.iniValue) + "\n" : ""));
    const QtUserDefaults defaults;
    EXPECT_EQ(defaults.doubleForKey("key"), c.asDouble);
    EXPECT_EQ(defaults.integerForKey("key"), c.asInteger);
    EXPECT_EQ(defaults.boolForKey("key"), c.asBool);
}

INSTANTIATE_TEST_SUITE_P(
    QtUserDefaults, StoredValue,
    ::testing::Values(StoredValueCase{"Absent", nullptr, 0.0, 0, false},
                      StoredValueCase{"Integer", "9", 9.0, 9, true},
                      StoredValueCase{"NegativeFraction", "-2.75", -2.75, -2, true},
                      StoredValueCase{"QuotedNumber", "\"12\"", 12.0, 12, true},
                      StoredValueCase{"NumberThenText", "12abc", 0.0, 0, false},
                      StoredValueCase{"True", "true", 0.0, 0, true},
                      StoredValueCase{"Yes", "YES", 0.0, 0, true},
                      StoredValueCase{"BeyondInt64", "99999999999999999999", 1e20, kInt64Max, true},
                      StoredValueCase{"BelowInt64", "-1e30", -1e30, kInt64Min, true}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(QtUserDefaults, WritesAtOnceAtTheTopLevelOfTheUsersSettingsFile) {
    const test::SettingsFolder folder;
    QtUserDefaults defaults;
    defaults.setDouble(13.5, "fontSize");
    defaults.setInteger(kInt64Min, "timePeriod");
    // Read back while the store lives: nothing waits for a later sync.
    const auto file = folder.reopen();
    EXPECT_EQ(file->childGroups(), QStringList());
    EXPECT_EQ(file->value(QStringLiteral("fontSize")).toString(), QStringLiteral("13.5"));
    EXPECT_EQ(QtUserDefaults().integerForKey("timePeriod"), kInt64Min);
}

/// The format of the character at `position`.
QTextCharFormat formatAt(QTextDocument& document, int position) {
    QTextCursor cursor(&document);
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat();
}

class Console : public ::testing::Test {
protected:
    platform::ConsoleView view;
    platform::QtConsole console{&view};
};

TEST_F(Console, KeepsTheCharactersExactlyAsReplacedAndAppended) {
    const std::vector<std::string> pieces = {"",
                                             "one\r\ntwo\r\n",
                                             "\r",
                                             "\n",
                                             "a\u2028b\u2029c",
                                             "\u26a0\ufe0f x \U0001F6E1\ufe0f\n",
                                             "e\u0301 \u65e5"};
    std::string expected = "old text";
    console.replaceText(expected, 12.0);
    for (const std::string& piece : pieces) {
        console.appendText(piece, 12.0);
        expected += piece;
    }
    EXPECT_EQ(console.plainText(), expected);
    console.replaceText("new", 12.0);
    EXPECT_EQ(console.plainText(), "new");
}

TEST_F(Console, RefontChangesTheSizeOfEveryCharacterAndNothingElse) {
    // o k _ ⚠ VS16 _ x ¶ 🛡 (two units) VS16 _ ⚠ _ p, then a CR LF that stays as it is
    const std::string text = "ok \u26a0\ufe0f x\n\U0001F6E1\ufe0f \u26a0 p\r\nlast\n\n";
    console.replaceText(text, 12.0);
    EXPECT_EQ(test::runsOf(*view.document()).coloured, 0) << "the text follows the palette";
    // A colour set by someone else must survive as well.
    QTextCursor cursor(view.document());
    cursor.setPosition(0);
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    QTextCharFormat red;
    red.setForeground(Qt::red);
    cursor.mergeCharFormat(red);
    const QString shown = view.toPlainText();

    console.refont(21.0);
    const test::Runs runs = test::runsOf(*view.document());
    EXPECT_EQ(runs.sizes, std::vector<double>(runs.sizes.size(), 21.0));
    EXPECT_EQ(runs.coloured, 1);
    EXPECT_EQ(formatAt(*view.document(), 1).foreground().color(), QColor(Qt::red));
    EXPECT_EQ(view.toPlainText(), shown);
    EXPECT_EQ(console.plainText(), text);
    EXPECT_TRUE(QFontInfo(view.document()->defaultFont()).fixedPitch());
    // Characters asking for emoji take the colour font first; the rest keep the fixed-pitch one.
    const auto firstFamilyAt = [&](int position) {
        return formatAt(*view.document(), position).fontFamilies().toStringList().value(0);
    };
    for (const int position : {3, 4, 8, 9, 10}) {
        EXPECT_EQ(firstFamilyAt(position), QStringLiteral("Noto Color Emoji")) << position;
    }
    for (const int position : {0, 6, 12, 14}) {
        EXPECT_TRUE(QFontInfo(QFont(firstFamilyAt(position))).fixedPitch()) << position;
    }
}

TEST_F(Console, AnAbsurdSizeReachesQtCapped) {
    console.replaceText("x", 1e9);
    EXPECT_EQ(test::runsOf(*view.document()).sizes, std::vector<double>{400.0});
    console.refont(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(test::runsOf(*view.document()).sizes, std::vector<double>{1.0});
}

/// How many pixels of the console's viewport have exactly `colour`.
int pixelsOf(platform::ConsoleView& view, QColor colour) {
    const QImage image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == colour.rgb() ? 1 : 0;
        }
    }
    return count;
}

TEST_F(Console, ShownTextFollowsThePalettesTextColour) {
    view.resize(400, 200);
    view.show();
    // Full blocks leave solid pixels of the text colour whatever the antialiasing.
    console.replaceText("\u2588\u2588\u2588\u2588", 40.0);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Text, Qt::red);
    view.setPalette(palette);
    EXPECT_GT(pixelsOf(view, Qt::red), 100);
    // A dark appearance arriving later recolours what is already shown.
    palette.setColor(QPalette::Base, Qt::black);
    palette.setColor(QPalette::Text, Qt::blue);
    view.setPalette(palette);
    EXPECT_GT(pixelsOf(view, Qt::blue), 100);
    EXPECT_EQ(pixelsOf(view, Qt::red), 0);
}

/// The file dialog that is open now.
QFileDialog* openFileDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

TEST(QtSavePanel, OffersTheNameAndTypesWithoutBlockingAndAnswersLater) {
    const test::TempFolder folder;
    platform::QtSavePanel panel;
    std::vector<std::optional<std::string>> answers;
    const platform::SaveRequest request{"Scanbrook-2024-03-05T09_41_07Z.text", {"text", "txt"}};
    const auto answer = [&](std::optional<std::string> path) { answers.push_back(path); };

    panel.begin(request, answer);
    QPointer<QFileDialog> dialog = openFileDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(answers.empty()); // begin() returned with the panel open
    EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Text (*.text *.txt)")});
    EXPECT_TRUE(dialog->selectedFiles().value(0).endsWith(
        QStringLiteral("/Scanbrook-2024-03-05T09_41_07Z.text")));
    dialog->setDirectory(QString::fromStdString(folder.path()));
    dialog->selectFile(QStringLiteral("report"));
    static_cast<QDialog*>(dialog.data())->accept(); // what the Save button does
    EXPECT_EQ(answers, (std::vector<std::optional<std::string>>{folder.file("report.text")}));

    panel.begin(request, answer);
    openFileDialog()->reject();
    EXPECT_EQ(answers.size(), 2U);
    EXPECT_EQ(answers.back(), std::nullopt);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST(MainQueue, RunsOperationsFromAnyThreadLaterOnTheMainThreadInOrder) {
    auto queue = std::make_shared<platform::MainQueue>();
    std::vector<int> ran;
    const auto record = [&ran](int n) {
        return [&ran, n] {
            EXPECT_EQ(QThread::currentThread(), QCoreApplication::instance()->thread());
            ran.push_back(n);
        };
    };
    queue->addOperation(record(1));
    std::thread([&] { queue->addOperation(record(2)); }).join();
    queue->addOperation(record(3));
    EXPECT_TRUE(ran.empty()); // never inside addOperation
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(MainQueue, DropsWaitingAndLaterOperationsOnceClosedEvenFromWithin) {
    auto queue = std::make_shared<platform::MainQueue>();
    int ran = 0;
    auto held = std::make_shared<int>(0);
    queue->addOperation([&] {
        ++ran;
        queue->close();
    });
    queue->addOperation([&ran, held] { ++ran; });
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(held.use_count(), 1) << "what a dropped operation held is released with it";
    queue->addOperation([&ran] { ++ran; });
    std::thread([queue, &ran] { queue->addOperation([&ran] { ++ran; }); }).join();
    // The last holder may be a worker thread.
    std::thread([last = std::move(queue)]() mutable { last.reset(); }).join();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ran, 1);
}

} // namespace
} // namespace scanbrook
