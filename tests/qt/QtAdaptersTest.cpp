#include "QtTestSupport.h"

#include "platform/qt/ConsoleView.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUserDefaults.h"
#include "platform/qt/StepperWidget.h"

#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QThread>
#include <QToolButton>

#include <gtest/gtest.h>

#include <limits>
#include <thread>
#include <vector>

namespace scanbrook {
namespace {

using platform::QtUserDefaults;
using test::SettingsFolder;

// --- Settings ---------------------------------------------------------------------------

struct StoredValueCase {
    const char* name;
    const char* iniValue; // null: the key is absent
    double asDouble;
    std::int64_t asInteger;
    bool asBool;
};

void PrintTo(const StoredValueCase& c, std::ostream* os) {
    *os << c.name;
}

class StoredValueTest : public ::testing::TestWithParam<StoredValueCase> {};

TEST_P(StoredValueTest, readsWhatAPersonWroteIntoTheSettingsFile) {
    const StoredValueCase& c = GetParam();
    SettingsFolder folder;
    std::string ini = "[General]\nother=1\n";
    if (c.iniValue != nullptr) {
        ini += std::string("key=") + c.iniValue + "\n";
    }
    folder.writeSettingsFile(ini);
    const QtUserDefaults defaults;
    EXPECT_EQ(defaults.doubleForKey("key"), c.asDouble);
    EXPECT_EQ(defaults.integerForKey("key"), c.asInteger);
    EXPECT_EQ(defaults.boolForKey("key"), c.asBool);
}

constexpr auto kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr auto kInt64Min = std::numeric_limits<std::int64_t>::min();

INSTANTIATE_TEST_SUITE_P(
    QtUserDefaults, StoredValueTest,
    ::testing::Values(
        StoredValueCase{"absent", nullptr, 0.0, 0, false},
        StoredValueCase{"integer", "9", 9.0, 9, true}, StoredValueCase{"zero", "0", 0.0, 0, false},
        StoredValueCase{"negative", "-3", -3.0, -3, true},
        StoredValueCase{"fraction", "14.5", 14.5, 14, true},
        StoredValueCase{"negativeFraction", "-2.75", -2.75, -2, true},
        StoredValueCase{"quotedNumber", "\"12\"", 12.0, 12, true},
        StoredValueCase{"letters", "abc", 0.0, 0, false},
        StoredValueCase{"empty", "", 0.0, 0, false},
        StoredValueCase{"numberThenText", "12abc", 0.0, 0, false},
        StoredValueCase{"true", "true", 0.0, 0, true}, StoredValueCase{"yes", "YES", 0.0, 0, true},
        StoredValueCase{"false", "false", 0.0, 0, false},
        StoredValueCase{"list", "1, 2", 0.0, 0, false},
        StoredValueCase{"byteArray", "@ByteArray(abc)", 0.0, 0, false},
        StoredValueCase{"beyondInt64", "99999999999999999999", 1e20, kInt64Max, true},
        StoredValueCase{"belowInt64", "-1e30", -1e30, kInt64Min, true},
        StoredValueCase{"int64Max", "9223372036854775807", 9223372036854775807.0, kInt64Max, true}),
    [](const ::testing::TestParamInfo<StoredValueCase>& p) { return p.param.name; });

TEST(QtUserDefaultsTest, writesAtOnceToTheUsersSettingsFileAtTopLevel) {
    SettingsFolder folder;
    {
        QtUserDefaults defaults;
        defaults.setDouble(13.5, "fontSize");
        defaults.setInteger(9, "timePeriod");
        defaults.setInteger(kInt64Min, "big");
        // Read back before the store is gone: nothing waits for a later sync.
        const auto file = folder.reopen();
        EXPECT_EQ(file->status(), QSettings::NoError);
        EXPECT_EQ(file->childGroups(), QStringList());
        EXPECT_EQ(file->value(QStringLiteral("fontSize")).toString(), QStringLiteral("13.5"));
        EXPECT_EQ(file->value(QStringLiteral("timePeriod")).toString(), QStringLiteral("9"));
    }
    const QtUserDefaults again;
    EXPECT_EQ(again.doubleForKey("fontSize"), 13.5);
    EXPECT_EQ(again.integerForKey("timePeriod"), 9);
    EXPECT_EQ(again.integerForKey("big"), kInt64Min);
}

TEST(QtUserDefaultsTest, nonFiniteFontSizeIsHandedOnForTheCallerToJudge) {
    SettingsFolder folder;
    folder.writeSettingsFile("[General]\nfontSize=nan\nupdateCheckInt=inf\n");
    const QtUserDefaults defaults;
    EXPECT_TRUE(std::isnan(defaults.doubleForKey("fontSize")));
    EXPECT_TRUE(std::isinf(defaults.doubleForKey("updateCheckInt")));
    EXPECT_EQ(defaults.integerForKey("fontSize"), 0);
}

// --- Console ----------------------------------------------------------------------------

/// Every character of the document: its font size, and whether it carries a colour.
struct CharacterFormats {
    std::vector<double> sizes;
    int withForeground = 0;
    int characters = 0;
};

CharacterFormats characterFormats(const QTextDocument& document) {
    CharacterFormats result;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            result.sizes.push_back(format.fontPointSize());
            result.characters += fragment.length();
            if (format.hasProperty(QTextFormat::ForegroundBrush)) {
                ++result.withForeground;
            }
        }
    }
    return result;
}

class ConsoleTest : public ::testing::Test {
protected:
    platform::ConsoleView view;
    platform::QtConsole console{&view};
};

struct RoundTripCase {
    const char* name;
    std::vector<std::string> pieces; // the first replaces, the rest are appended
};

void PrintTo(const RoundTripCase& c, std::ostream* os) {
    *os << c.name;
}

class ConsoleRoundTripTest : public ConsoleTest,
                             public ::testing::WithParamInterface<RoundTripCase> {};

TEST_P(ConsoleRoundTripTest, keepsTheCharactersExactlyAsWritten) {
    std::string expected;
    for (std::size_t i = 0; i < GetParam().pieces.size(); ++i) {
        const std::string& piece = GetParam().pieces[i];
        if (i == 0) {
            console.replaceText(piece, 12.0);
        } else {
            console.appendText(piece, 12.0);
        }
        expected += piece;
    }
    EXPECT_EQ(console.plainText(), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Console, ConsoleRoundTripTest,
    ::testing::Values(RoundTripCase{"empty", {""}},
                      RoundTripCase{"appendAddsNothingBetween", {"", "a", "b"}},
                      RoundTripCase{"replaceDropsTheOldText", {"old text"}},
                      RoundTripCase{"lineFeeds", {"one\n\ntwo\n", "\n"}},
                      RoundTripCase{"crlf", {"one\r\ntwo\r\n", "\r", "\n"}},
                      RoundTripCase{"lineAndParagraphSeparators", {"a\u2028b\u2029c"}},
                      RoundTripCase{"noBreakSpace", {"a\u00a0b"}},
                      RoundTripCase{"emoji",
                                    {"\u26a0\ufe0f XProtect ", "\U0001F6E1\ufe0f \u2705\n"}},
                      RoundTripCase{"combiningAndWide", {"e\u0301 \u65e5\u672c", "\u200d"}}),
    [](const ::testing::TestParamInfo<RoundTripCase>& p) { return p.param.name; });

TEST_F(ConsoleTest, showsTheTextItWasGiven) {
    console.replaceText("first\nsecond", 12.0);
    console.appendText(" and more\n", 12.0);
    EXPECT_EQ(view.toPlainText(), QStringLiteral("first\nsecond and more\n"));
    EXPECT_EQ(view.document()->blockCount(), 3);
}

TEST_F(ConsoleTest, invalidUtf8IsKeptAsQtShowsIt) {
    console.replaceText("a\xff"
                        "b",
                        12.0);
    EXPECT_EQ(console.plainText(), "a\ufffd"
                                   "b");
}

TEST_F(ConsoleTest, everyCharacterGetsTheSizeAndNoColourOfItsOwn) {
    console.replaceText("line one \u26a0\ufe0f\nline two\n\nline four", 15.0);
    console.appendText("\nappended", 15.0);
    const CharacterFormats formats = characterFormats(*view.document());
    EXPECT_EQ(formats.characters,
              view.document()->characterCount() - view.document()->blockCount());
    EXPECT_EQ(formats.withForeground, 0);
    for (double size : formats.sizes) {
        EXPECT_EQ(size, 15.0);
    }
    EXPECT_EQ(view.document()->defaultFont().pointSizeF(), 15.0);
    EXPECT_EQ(view.document()->defaultFont().weight(), QFont::Normal);
    EXPECT_TRUE(QFontInfo(view.document()->defaultFont()).fixedPitch());
}

TEST_F(ConsoleTest, refontChangesOnlyTheFontOfEveryCharacter) {
    const std::string text =
        "2024-03-05 09:41:07.123  Adload \u2705\r\nsecond \u26a0\ufe0f line\n\n";
    console.replaceText(text, 12.0);
    // A colour set by someone else must survive as well.
    QTextCursor cursor(view.document());
    cursor.setPosition(0);
    cursor.setPosition(4, QTextCursor::KeepAnchor);
    QTextCharFormat red;
    red.setForeground(Qt::red);
    cursor.mergeCharFormat(red);
    const QString shownBefore = view.toPlainText();

    console.refont(21.0);

    const CharacterFormats formats = characterFormats(*view.document());
    for (double size : formats.sizes) {
        EXPECT_EQ(size, 21.0);
    }
    EXPECT_EQ(formats.withForeground, 1);
    QTextCursor first(view.document());
    first.setPosition(1);
    EXPECT_EQ(first.charFormat().foreground().color(), QColor(Qt::red));
    EXPECT_EQ(view.toPlainText(), shownBefore);
    EXPECT_EQ(console.plainText(), text);
    EXPECT_EQ(view.document()->defaultFont().pointSizeF(), 21.0);

    console.appendText("after", 21.0);
    EXPECT_EQ(characterFormats(*view.document()).sizes.back(), 21.0);
}

/// The first font family of the character at `position`.
QString firstFamilyAt(QTextDocument& document, int position) {
    QTextCursor cursor(&document);
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat().fontFamilies().toStringList().value(0);
}

TEST_F(ConsoleTest, charactersAskingForEmojiTakeTheColourFontFirst) {
    // o k _ ⚠ VS16 _ x | 🛡 (two units) VS16 ¶ ⚠ _ p
    console.replaceText("ok \u26a0\ufe0f x", 12.0);
    console.appendText("\U0001F6E1\ufe0f\n\u26a0 p", 12.0);
    console.refont(14.0);
    QTextDocument& document = *view.document();
    const QString emoji = QStringLiteral("Noto Color Emoji");
    for (int position : {3, 4, 7, 8, 9}) {
        EXPECT_EQ(firstFamilyAt(document, position), emoji) << position;
    }
    for (int position : {0, 2, 5, 6, 11, 12, 13}) {
        const QString family = firstFamilyAt(document, position);
        EXPECT_NE(family, emoji) << position;
        EXPECT_TRUE(QFontInfo(QFont(family)).fixedPitch()) << position;
    }
    for (double size : characterFormats(document).sizes) {
        EXPECT_EQ(size, 14.0);
    }
}

TEST_F(ConsoleTest, refontOfAnEmptyConsoleSizesItsDefaultFont) {
    console.refont(9.0);
    EXPECT_EQ(view.toPlainText(), QString());
    EXPECT_EQ(console.plainText(), "");
    EXPECT_EQ(view.document()->defaultFont().pointSizeF(), 9.0);
}

TEST_F(ConsoleTest, anAbsurdSizeReachesQtCapped) {
    console.replaceText("x", 1e9);
    EXPECT_EQ(characterFormats(*view.document()).sizes, std::vector<double>{400.0});
    console.refont(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(characterFormats(*view.document()).sizes, std::vector<double>{1.0});
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

TEST_F(ConsoleTest, textFollowsThePalettesTextColour) {
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

// --- Stepper ----------------------------------------------------------------------------

struct StepperValueCase {
    std::int64_t set;
    std::int64_t held;
};

void PrintTo(const StepperValueCase& c, std::ostream* os) {
    *os << c.set;
}

class StepperRangeTest : public ::testing::TestWithParam<StepperValueCase> {};

TEST_P(StepperRangeTest, holdsTheNearestBoundAndSignalsNothing) {
    platform::StepperWidget widget;
    widget.setMinimum(1);
    widget.setMaximum(30);
    QSignalSpy stepped(&widget, &platform::StepperWidget::valueStepped);
    platform::QtStepper stepper(&widget);
    stepper.setIntegerValue(GetParam().set);
    EXPECT_EQ(stepper.integerValue(), GetParam().held);
    EXPECT_EQ(stepped.count(), 0);
}

INSTANTIATE_TEST_SUITE_P(Stepper, StepperRangeTest,
                         ::testing::Values(StepperValueCase{1, 1}, StepperValueCase{15, 15},
                                           StepperValueCase{30, 30}, StepperValueCase{0, 1},
                                           StepperValueCase{31, 30}, StepperValueCase{-5, 1},
                                           StepperValueCase{kInt64Min, 1},
                                           StepperValueCase{kInt64Max, 30}));

TEST(StepperTest, keysAndArrowsStepWithinTheRange) {
    platform::StepperWidget widget;
    widget.setMinimum(1);
    widget.setMaximum(3);
    widget.show();
    QSignalSpy stepped(&widget, &platform::StepperWidget::valueStepped);
    QToolButton* up = nullptr;
    QToolButton* down = nullptr;
    for (QToolButton* button : widget.findChildren<QToolButton*>()) {
        (button->arrowType() == Qt::UpArrow ? up : down) = button;
    }
    ASSERT_NE(up, nullptr);
    ASSERT_NE(down, nullptr);
    EXPECT_FALSE(up->accessibleName().isEmpty());
    EXPECT_FALSE(down->accessibleName().isEmpty());

    QTest::keyClick(&widget, Qt::Key_Down); // already at the minimum
    QTest::keyClick(&widget, Qt::Key_Up);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton); // already at the maximum
    QTest::mouseClick(down, Qt::LeftButton);
    EXPECT_EQ(widget.value(), 2);
    ASSERT_EQ(stepped.count(), 3);
    EXPECT_EQ(stepped.at(0).at(0).value<std::int64_t>(), 2);
    EXPECT_EQ(stepped.at(1).at(0).value<std::int64_t>(), 3);
    EXPECT_EQ(stepped.at(2).at(0).value<std::int64_t>(), 2);
}

// --- Window, application, save panel ----------------------------------------------------

class AnsweringDelegate final : public platform::WindowDelegate {
public:
    explicit AnsweringDelegate(bool answerGiven) : answer(answerGiven) {}
    bool windowShouldClose() override {
        ++asked;
        return answer;
    }
    bool answer;
    int asked = 0;
};

TEST(QtWindowTest, theDelegateDecidesWhetherTheWindowCloses) {
    QWidget window;
    platform::QtWindow adapter(&window);
    adapter.setTitle("Scanbrook : caf\u00e9");
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Scanbrook : caf\u00e9"));

    window.show();
    EXPECT_TRUE(window.close()); // no delegate yet
    window.show();
    AnsweringDelegate refusing(false);
    adapter.setDelegate(&refusing);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    AnsweringDelegate agreeing(true);
    adapter.setDelegate(&agreeing);
    EXPECT_TRUE(window.close());
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(refusing.asked, 1);
    EXPECT_EQ(agreeing.asked, 1);
}

/// The dialog that QtSavePanel::begin() put up.
QFileDialog* openFileDialog() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* dialog = qobject_cast<QFileDialog*>(widget); dialog && dialog->isVisible()) {
            return dialog;
        }
    }
    return nullptr;
}

TEST(QtSavePanelTest, offersTheNameAndTypesWithoutBlockingAndAnswersLater) {
    test::TempFolder folder;
    platform::QtSavePanel panel;
    std::vector<std::optional<std::string>> answers;
    platform::SaveRequest request;
    request.defaultName = "Scanbrook-2024-03-05T09_41_07Z.text";
    request.allowedFileTypes = {"text", "txt"};

    panel.begin(request, [&](std::optional<std::string> path) { answers.push_back(path); });
    EXPECT_TRUE(answers.empty()); // begin() returned with the panel open
    QPointer<QFileDialog> dialog = openFileDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowModality(), Qt::NonModal);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Text (*.text *.txt)")});
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("text"));
    EXPECT_FALSE(dialog->testOption(QFileDialog::ReadOnly));
    EXPECT_TRUE(dialog->selectedFiles().value(0).endsWith(
        QStringLiteral("/Scanbrook-2024-03-05T09_41_07Z.text")));

    dialog->setDirectory(folder.qPath());
    dialog->selectFile(QStringLiteral("report"));
    static_cast<QDialog*>(dialog.data())->accept(); // what the Save button does
    ASSERT_EQ(answers.size(), 1U);
    EXPECT_EQ(answers[0], folder.path() + "/report.text");
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());

    panel.begin(request, [&](std::optional<std::string> path) { answers.push_back(path); });
    dialog = openFileDialog();
    ASSERT_NE(dialog, nullptr);
    dialog->reject();
    ASSERT_EQ(answers.size(), 2U);
    EXPECT_EQ(answers[1], std::nullopt);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

// --- Main queue -------------------------------------------------------------------------

TEST(MainQueueTest, runsOperationsFromAnyThreadLaterOnTheMainThreadInOrder) {
    auto queue = std::make_shared<platform::MainQueue>();
    std::vector<int> ran;
    std::vector<QThread*> threads;
    const auto record = [&](int n) {
        return [&ran, &threads, n] {
            ran.push_back(n);
            threads.push_back(QThread::currentThread());
        };
    };
    queue->addOperation(record(1));
    std::thread worker([&] {
        queue->addOperation(record(2));
        queue->addOperation(record(3));
    });
    worker.join();
    EXPECT_TRUE(ran.empty()); // never inside addOperation
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
    for (QThread* thread : threads) {
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
    }
}

TEST(MainQueueTest, dropsWaitingAndLaterOperationsOnceClosed) {
    auto queue = std::make_shared<platform::MainQueue>();
    int ran = 0;
    auto holder = std::make_shared<int>(0);
    queue->addOperation([&ran, holder] { ++ran; });
    queue->close();
    // What a dropped operation held is released with it.
    EXPECT_EQ(holder.use_count(), 1);
    queue->addOperation([&ran] { ++ran; });
    std::thread worker([queue, &ran] { queue->addOperation([&ran] { ++ran; }); });
    worker.join();
    queue->close();
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(ran, 0);
}

TEST(MainQueueTest, anOperationMayCloseItsOwnQueue) {
    auto queue = std::make_shared<platform::MainQueue>();
    int ran = 0;
    queue->addOperation([&] {
        ++ran;
        queue->close();
    });
    queue->addOperation([&] { ++ran; });
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ran, 1);
}

TEST(MainQueueTest, theLastHolderMayBeAWorker) {
    auto queue = std::make_shared<platform::MainQueue>();
    int ran = 0;
    queue->addOperation([&] { ++ran; });
    std::thread worker([held = std::move(queue)]() mutable { held.reset(); });
    worker.join();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ran, 0);
}

} // namespace
} // namespace scanbrook
