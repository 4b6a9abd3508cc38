// The shell's menus on the real window, and the adapters whose behaviour the window tests cannot
// see: the summary table's sorting and the progress line's polling.

#include "QtTestSupport.h"

#include "app/ApplicationShell.h"
#include "platform/BuildInfo.h"
#include "platform/qt/QtSummaryView.h"
#include "platform/qt/QtUi.h"

#include <QAction>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <functional>

namespace scanbrook {
namespace {

class ShellMenus : public test::WindowTest {
protected:
    // No test may reach out to the network: the update check is turned off.
    void SetUp() override { settings.writeSettingsFile("[General]\nnoUpdateCheck=true\n"); }
    void TearDown() override {
        shell.reset(); // before the window it serves
        WindowTest::TearDown();
    }

    test::TempSimRoot root;
    std::unique_ptr<ApplicationShell> shell;
};

TEST_F(ShellMenus, TakeThePlatformsRolesKeysAndActions) {
    open(root.path());
    shell = std::make_unique<ApplicationShell>(*window, mainQueue);
    QPlainTextEdit& console = *window->console();
    console.setPlainText(QStringLiteral("first line\nsecond"));
    console.moveCursor(QTextCursor::End);
    console.moveCursor(QTextCursor::StartOfBlock, QTextCursor::KeepAnchor);
    const QString version =
        QString::fromUtf8(build::kVersion.data(), static_cast<qsizetype>(build::kVersion.size()));
    const struct {
        const char* text;
        QKeySequence::StandardKey keys;
        QAction::MenuRole role;
        std::function<bool()> effect; // once triggered; null: not triggered
    } rows[] = {
        {"Scanbrook Help", QKeySequence::HelpContents, QAction::NoRole, nullptr},
        {"&Copy", QKeySequence::Copy, QAction::NoRole,
         [] { return QGuiApplication::clipboard()->text() == QStringLiteral("second"); }},
        {"Select &All", QKeySequence::SelectAll, QAction::NoRole,
         [&] {
             return console.textCursor().selectedText() == QStringLiteral("first line\u2029second");
         }},
        {"&About Scanbrook", QKeySequence::UnknownKey, QAction::AboutRole,
         [&] {
             const auto* box = window->findChild<QMessageBox*>();
             // The icon is the one the build rendered.
             return box != nullptr && box->isVisible() &&
                    box->text() == QStringLiteral("Scanbrook ") + version &&
                    !box->iconPixmap().isNull();
         }},
        {"&Quit Scanbrook", QKeySequence::Quit, QAction::QuitRole,
         [&] { return !window->isVisible(); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        QAction* action = nullptr;
        for (QAction* each : window->findChildren<QAction*>()) {
            action = each->text() == QString::fromUtf8(row.text) ? each : action;
        }
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->shortcuts(), QKeySequence::keyBindings(row.keys));
        EXPECT_EQ(action->menuRole(), row.role);
        if (row.effect) {
            action->trigger();
            EXPECT_TRUE(row.effect());
        }
    }
}

TEST(QtSummaryView, LeadsWithTheGravestAndSortsRunsAsNumbersAndHides) {
    QWidget panel;
    auto* layout = new QVBoxLayout(&panel);
    auto* line = new QLabel(&panel);
    auto* table = new QTableWidget(&panel);
    layout->addWidget(line);
    layout->addWidget(table);
    QToolButton toggle;
    toggle.setCheckable(true);
    platform::QtSummaryView view(&panel, line, table, &toggle);
    std::vector<std::string> activated;
    view.setScannerActivation([&](const std::string& name) { activated.push_back(name); });
    const QColor plain = line->palette().color(QPalette::WindowText);
    for (const bool dark : {false, true}) {
        QPalette palette;
        palette.setColor(QPalette::Window, dark ? Qt::black : Qt::white);
        panel.setPalette(palette);
        view.showSummary({"Threat found",
                          platform::SummaryTone::Alarm,
                          {{"Adload", 10, "2024-03-05 09:41:07.123", "clean", 0, "clean", 0},
                           {"\u00C9mile", 9, "", "clean", 2, "threat_found", 3},
                           {"Zed", 11, "", "scan_problem", 1, "scan_problem", 1}},
                          {"XProtect data in use: 5298", "Note: data differs"}});
        // Red that reads on the window's colour.
        const QColor red = line->palette().color(QPalette::WindowText);
        EXPECT_GT(red.red(), red.green() + 60);
        EXPECT_EQ(red.lightness() > 128, dark);
    }
    EXPECT_EQ(line->text(), QStringLiteral("Threat found"));
    EXPECT_EQ(view.protectionLabel()->text(),
              QStringLiteral("XProtect data in use: 5298\nNote: data differs"));
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->item(0, 0)->text(), QStringLiteral("\u00C9mile"));
    EXPECT_EQ(table->item(1, 0)->text(), QStringLiteral("Zed"));
    Q_EMIT table->cellDoubleClicked(1, 3);
    EXPECT_EQ(activated, std::vector<std::string>{"Zed"});
    table->sortItems(3, Qt::AscendingOrder);
    EXPECT_EQ(table->item(0, 3)->text(), QStringLiteral("9"));
    EXPECT_EQ(table->item(1, 4)->text(), QStringLiteral("2024-03-05 09:41:07.123"));

    view.clearSummary();
    EXPECT_EQ(line->text(), QString());
    EXPECT_EQ(line->palette().color(QPalette::WindowText), plain);
    EXPECT_EQ(table->rowCount(), 0);
    view.setSummaryHidden(true);
    EXPECT_TRUE(panel.isHidden());
    EXPECT_FALSE(toggle.isChecked());
}

TEST(QtConsole, SelectsALineAndKeepsTheText) {
    QPlainTextEdit edit;
    platform::QtConsole console(&edit);
    console.replaceText("head\n\nfirst\nsecond \u00E9\n", 12);
    console.selectLine(3);
    EXPECT_EQ(edit.textCursor().selectedText(), QStringLiteral("second \u00E9"));
    console.selectLine(9);
    EXPECT_EQ(edit.textCursor().selectedText(), QStringLiteral("second \u00E9"));
    EXPECT_EQ(console.plainText(), "head\n\nfirst\nsecond \u00E9\n");
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

} // namespace
} // namespace scanbrook
