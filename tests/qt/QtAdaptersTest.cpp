// The Qt adapters behind the platform's interfaces: real widgets offscreen, a real settings file.

#include "QtTestSupport.h"

#include "platform/qt/ConsoleView.h"
#include "platform/qt/DesktopConventions.h"
#include "platform/qt/QtSummaryView.h"
#include "platform/qt/QtUi.h"
#include "platform/qt/QtUserDefaults.h"

#include <QFontDatabase>
#include <QLabel>
#include <QTableWidget>
#include <QThread>
#include <QToolButton>

#include <limits>
#include <thread>

namespace scanbrook {
namespace {

using platform::QtUserDefaults;
constexpr auto kInt64Min = std::numeric_limits<std::int64_t>::min();

TEST(QtUserDefaults, ReadsWhatAPersonWroteIntoTheSettingsFileWithTheFallBacks) {
    const std::tuple<const char*, double, std::int64_t, bool> cases[] = {
        {nullptr, 0.0, 0, false}, // absent
        {"-2.75", -2.75, -2, true},
        {"12abc", 0.0, 0, false},
        {"YES", 0.0, 0, true},
        {"99999999999999999999", 1e20, std::numeric_limits<std::int64_t>::max(), true},
        {"-1e30", -1e30, kInt64Min, true}};
    for (const auto& [ini, asDouble, asInteger, asBool] : cases) {
        const test::SettingsFolder folder;
        folder.writeSettingsFile("[General]\nother=1\n" +
                                 (ini ? "key=" + std::string(ini) + "\n" : ""));
        const QtUserDefaults defaults;
        SCOPED_TRACE(ini ? ini : "absent");
        EXPECT_EQ(defaults.doubleForKey("key"), asDouble);
        EXPECT_EQ(defaults.integerForKey("key"), asInteger);
        EXPECT_EQ(defaults.boolForKey("key"), asBool);
        EXPECT_EQ(defaults.hasValue("key"), ini != nullptr);
    }
}

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

class Console : public ::testing::Test {
protected:
    /// The format of the character at `position`.
    QTextCharFormat formatAt(int position) {
        QTextCursor cursor(view.document());
        cursor.setPosition(position + 1); // the format of the character before the cursor
        return cursor.charFormat();
    }

    platform::ConsoleView view;
    platform::QtConsole console{&view};
};

TEST_F(Console, KeepsTheCharactersExactlyAsReplacedAndAppended) {
    std::string expected = "old text";
    console.replaceText(expected, 12.0);
    for (const std::string piece : {"", "one\r\ntwo\r\n", "\r", "\n", "a\u2028b\u2029c",
                                    "\u26a0\ufe0f x \U0001F6E1\ufe0f\n", "e\u0301 \u65e5"}) {
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
    cursor.setPosition(2, QTextCursor::KeepAnchor);
    QTextCharFormat red;
    red.setForeground(Qt::red);
    cursor.mergeCharFormat(red);

    console.refont(21.0);
    const test::Runs runs = test::runsOf(*view.document());
    EXPECT_EQ(runs.sizes, std::vector<double>(runs.sizes.size(), 21.0));
    EXPECT_EQ(runs.coloured, 1);
    EXPECT_EQ(formatAt(1).foreground().color(), QColor(Qt::red));
    EXPECT_EQ(console.plainText(), text);
    // Characters asking for emoji take the system's colour font first; the rest keep the
    // fixed-pitch one.
    EXPECT_TRUE(QFontDatabase::families().contains(platform::colourEmojiFamily()));
    for (const int position : {0, 3, 4, 6, 8, 9, 10, 12, 14}) {
        const QString family = formatAt(position).fontFamilies().toStringList().value(0);
        const bool emoji = position == 3 || position == 4 || (position >= 8 && position <= 10);
        EXPECT_EQ(family == platform::colourEmojiFamily(), emoji) << position;
        EXPECT_TRUE(emoji || QFontInfo(QFont(family)).fixedPitch()) << position;
    }
    // An absurd size reaches Qt capped.
    console.refont(1e9);
    EXPECT_EQ(test::runsOf(*view.document()).sizes.front(), 400.0);
    console.refont(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(test::runsOf(*view.document()).sizes.front(), 1.0);
}

TEST(QtSummaryView, ShowsTheLineAndSortsRunsAsNumbersAndHides) {
    QWidget panel;
    auto* line = new QLabel(&panel);
    auto* table = new QTableWidget(&panel);
    QToolButton toggle;
    toggle.setCheckable(true);
    platform::QtSummaryView view(&panel, line, table, &toggle);
    view.showSummary(
        "2 warning(s) in the last day",
        {{"Adload", 10, "2024-03-05 09:41:07.123", "warning"}, {"\u00C9mile", 9, "", ""}});
    EXPECT_EQ(line->text(), QStringLiteral("2 warning(s) in the last day"));
    ASSERT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("\u00C9mile"));
    table->sortItems(1, Qt::AscendingOrder);
    EXPECT_EQ(table->item(0, 1)->text(), QStringLiteral("9"));
    EXPECT_EQ(table->item(1, 2)->text(), QStringLiteral("2024-03-05 09:41:07.123"));

    view.clearSummary();
    EXPECT_EQ(line->text(), QString());
    EXPECT_EQ(table->rowCount(), 0);
    view.setSummaryHidden(true);
    EXPECT_TRUE(panel.isHidden());
    EXPECT_FALSE(toggle.isChecked());
}

TEST(QtProgressLine, AsksForItsTextUntilHiddenAndShowsNothingForAnEmptyOne) {
    QWidget window;
    auto* label = new QLabel(&window);
    window.show();
    platform::QtProgressLine progress(label);
    EXPECT_TRUE(label->isHidden());
    std::string text;
    progress.showProgress([&text] { return text; });
    EXPECT_TRUE(label->isHidden()) << "nothing read yet";
    text = "Reading the log\u2026 7 events";
    ASSERT_TRUE(QTest::qWaitFor([&] { return label->isVisible(); }, 60000));
    EXPECT_EQ(label->text(), QStringLiteral("Reading the log\u2026 7 events"));
    progress.hideProgress();
    EXPECT_TRUE(label->isHidden());
    text = "Reading the log\u2026 8 events";
    QTest::qWait(400);
    EXPECT_TRUE(label->isHidden()) << "hidden means no longer asked";
}

TEST(MainQueue, RunsOperationsFromAnyThreadLaterInOrderAndNoneOnceClosed) {
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
    queue->addOperation([&] {
        ran.push_back(3);
        queue->close(); // from within: what waits is dropped too
    });
    auto held = std::make_shared<int>(0);
    queue->addOperation([held, record] { record(4)(); });
    EXPECT_TRUE(ran.empty()) << "never inside addOperation";
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(held.use_count(), 1) << "what a dropped operation held is released with it";
    queue->addOperation(record(5));
    std::thread([queue, record] { queue->addOperation(record(6)); }).join();
    // The last holder may be a worker thread.
    std::thread([last = std::move(queue)]() mutable { last.reset(); }).join();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

} // namespace
} // namespace scanbrook
