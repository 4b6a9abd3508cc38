// The real window from MainWindow.ui, offscreen, on the simulated Mac.

#include "QtTestSupport.h"

#include "platform/Bundle.h"
#include "platform/MacPaths.h"
#include "platform/qt/BusyIndicator.h"
#include "platform/qt/ConsoleView.h"
#include "platform/qt/QtUserDefaults.h"
#include "platform/qt/StepperWidget.h"
#include "window/ViewController.h"

#include <QAbstractButton>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QToolButton>

#include <vector>

namespace scanbrook {
namespace {

using platform::StepperWidget;

class MainWindowTest : public test::WindowTest {
protected:
    void open(const std::string& root = test::builtSimRoot()) {
        WindowTest::open(root);
        field = child<QLineEdit>("textTimePeriod");
        stepper = child<StepperWidget>("periodStep");
        for (QToolButton* button : stepper->findChildren<QToolButton*>()) {
            (button->arrowType() == Qt::UpArrow ? upArrow : downArrow) = button;
        }
    }
    ViewController& controller() { return window->viewController(); }

    /// Types `text` into the period field and confirms it with Return.
    void type(const char* text) {
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, QString::fromUtf8(text));
        QTest::keyClick(field, Qt::Key_Return);
    }

    std::vector<double> consoleSizes() const {
        return test::runsOf(*child<platform::ConsoleView>("outputTextbox")->document()).sizes;
    }

    QLineEdit* field = nullptr;
    StepperWidget* stepper = nullptr;
    QToolButton* upArrow = nullptr;
    QToolButton* downArrow = nullptr;
};

/// What the user does: text typed into the field, or "up"/"down" clicked on the stepper's
/// arrows, or "Up"/"Down" pressed as keys on the stepper.
struct PeriodCase {
    const char* name;
    std::vector<const char*> actions;
    std::int64_t period;
};

class PeriodControls : public MainWindowTest, public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(PeriodControls, StepperAndFieldStayInStep) {
    open();
    for (const std::string_view action : GetParam().actions) {
        if (action == "up" || action == "down") {
            QTest::mouseClick(action == "up" ? upArrow : downArrow, Qt::LeftButton);
        } else if (action == "Up" || action == "Down") {
            QTest::keyClick(stepper, action == "Up" ? Qt::Key_Up : Qt::Key_Down);
        } else {
            type(action.data());
        }
    }
    EXPECT_EQ(field->text(), QString::number(GetParam().period));
    EXPECT_EQ(stepper->value(), GetParam().period);
    EXPECT_EQ(controller().timePeriod(), GetParam().period);
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, PeriodControls,
    ::testing::Values(
        PeriodCase{"Untouched", {}, 1}, PeriodCase{"UpUpDown", {"up", "up", "down"}, 2},
        PeriodCase{"DownAtTheMinimum", {"down"}, 1},
        PeriodCase{"Keys", {"Up", "Up", "Up", "Down"}, 3}, PeriodCase{"TypeInRange", {"7"}, 7},
        PeriodCase{"TypeAboveTheRange", {"31"}, 30},
        PeriodCase{"TypeBeyondInt64", {"99999999999999999999"}, 30},
        PeriodCase{"TypeZero", {"0"}, 1}, PeriodCase{"TypeLetters", {"abc"}, 1},
        PeriodCase{"TypeNothing", {"12", ""}, 1}, PeriodCase{"TypeFraction", {"7.9"}, 7},
        PeriodCase{"TypeThenStepPastTheMaximum", {"29", "up", "up"}, 30},
        PeriodCase{"StepThenTypeThenStep", {"up", "12", "Down"}, 11}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(MainWindowTest, OpensWithTheStoredSettingsThroughTheirFallBacks) {
    settings.writeSettingsFile("[General]\ntimePeriod=45\nfontSize=30\n");
    open();
    EXPECT_EQ(field->text(), QStringLiteral("30"));
    EXPECT_EQ(controller().fontSize(), 30.0);
    controller().setOutputText("report\n");
    EXPECT_EQ(consoleSizes(), std::vector<double>{30.0});
}

TEST_F(MainWindowTest, TitleCarriesTheSimulatedXProtectVersionOrNotFound) {
    const auto info =
        platform::bundleInfoDictionary(test::builtSimRoot() + std::string(mac::kXProtectBundle));
    ASSERT_TRUE(info.has_value()) << "the simulated root is not built";
    open();
    EXPECT_EQ(window->windowTitle().toStdString(),
              "Scanbrook : XProtect Remediator version " + info->at("CFBundleShortVersionString"));
    TearDown();

    const test::TempFolder emptyRoot;
    open(emptyRoot.path());
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Scanbrook : XProtect Remediator version Not found"));
}

TEST_F(MainWindowTest, EveryControlHasAnAccessibleNameAndTheButtonsAreLive) {
    open();
    int controls = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const bool isControl = qobject_cast<QAbstractButton*>(widget) != nullptr ||
                               qobject_cast<QLineEdit*>(widget) != nullptr ||
                               qobject_cast<QPlainTextEdit*>(widget) != nullptr ||
                               qobject_cast<StepperWidget*>(widget) != nullptr ||
                               qobject_cast<platform::BusyIndicator*>(widget) != nullptr;
        // Qt's own helpers, such as the menu bar's overflow button, are named "qt_…".
        if (isControl && !widget->objectName().startsWith(QStringLiteral("qt_"))) {
            ++controls;
            EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
        }
    }
    // field, stepper and its two arrows, three buttons, two font buttons, spinner, console
    EXPECT_GE(controls, 11);
    EXPECT_EQ(child<QPushButton>("checkButton")->text(), QStringLiteral("Check XProtect"));
    for (const char* button : {"checkButton", "runButton", "saveButton"}) {
        EXPECT_TRUE(child<QPushButton>(button)->isEnabled()) << button;
    }
    QStringList titles;
    for (const QAction* action : window->helpMenu()->actions()) {
        if (!action->isSeparator()) {
            titles << action->text();
        }
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Scanbrook Help"),
                                   QStringLiteral("Update not checked")}));
}

TEST_F(MainWindowTest, FontButtonsResizeEveryCharacterAndRememberTheSize) {
    open();
    controller().setOutputText("line one \u26a0\ufe0f\r\n");
    controller().appendOutputText("line two");
    QTest::mouseClick(child<QToolButton>("largerButton"), Qt::LeftButton);
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("fontSize")).toDouble(), 13.0);
    QTest::mouseClick(child<QToolButton>("smallerButton"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("smallerButton"), Qt::LeftButton);
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("fontSize")).toDouble(), 11.0);
    for (const double size : consoleSizes()) {
        EXPECT_EQ(size, 11.0);
    }
    EXPECT_EQ(controller().fontSize(), 11.0);
    EXPECT_EQ(child<platform::ConsoleView>("outputTextbox")->toPlainText(),
              QStringLiteral("line one \u26a0\ufe0f\nline two"));
}

TEST_F(MainWindowTest, ClosingStoresThePeriodAndEndsTheApplication) {
    open();
    type("9");
    QTimer::singleShot(0, window.get(), [this] { window->close(); });
    // Should the application never be asked to end, the test fails instead of hanging.
    QTimer::singleShot(60'000, window.get(), [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("timePeriod")).toString(),
              QStringLiteral("9"));
    EXPECT_EQ(platform::QtUserDefaults().integerForKey("timePeriod"), 9);
}

} // namespace
} // namespace scanbrook
