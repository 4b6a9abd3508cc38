#include "QtTestSupport.h"

#include "app/MainWindow.h"
#include "platform/Bundle.h"
#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/qt/BusyIndicator.h"
#include "platform/qt/ConsoleView.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtUserDefaults.h"
#include "platform/qt/StepperWidget.h"
#include "window/ViewController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace scanbrook {
namespace {

using platform::BusyIndicator;
using platform::ConsoleView;
using platform::StepperWidget;

const std::string kTitlePrefix = "Scanbrook : XProtect Remediator version ";

/// The real window from MainWindow.ui, on the simulated Mac, with settings of its own.
class MainWindowTest : public ::testing::Test {
protected:
    void TearDown() override {
        window.reset();
        if (mainQueue) {
            mainQueue->close();
        }
        platformRoot.reset();
        platform::reloadPlatformRoot();
    }

    /// Builds and shows the window; settings written before are what it loads.
    void open(const std::string& root = test::builtSimRoot()) {
        platformRoot.emplace(platform::kPlatformRootVariable, root);
        platform::reloadPlatformRoot();
        mainQueue = std::make_shared<platform::MainQueue>();
        window = std::make_unique<MainWindow>(mainQueue);
        field = child<QLineEdit>("textTimePeriod");
        stepper = child<StepperWidget>("periodStep");
        console = child<ConsoleView>("outputTextbox");
        spinner = child<BusyIndicator>("busySpinner");
        for (QToolButton* button : stepper->findChildren<QToolButton*>()) {
            (button->arrowType() == Qt::UpArrow ? upArrow : downArrow) = button;
        }
        window->show();
    }

    template <typename Widget> Widget* child(const char* name) {
        auto* widget = window->findChild<Widget*>(QString::fromLatin1(name));
        if (widget == nullptr) {
            throw std::runtime_error(std::string("MainWindow.ui has no ") + name);
        }
        return widget;
    }

    ViewController& controller() { return window->viewController(); }

    void type(const QString& text) {
        field->setFocus();
        field->selectAll();
        if (text.isEmpty()) {
            QTest::keyClick(field, Qt::Key_Backspace);
        } else {
            QTest::keyClicks(field, text);
        }
        QTest::keyClick(field, Qt::Key_Return);
    }

    std::vector<double> consoleCharacterSizes() const {
        std::vector<double> sizes;
        const QTextDocument& document = *console->document();
        for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                sizes.push_back(it.fragment().charFormat().fontPointSize());
            }
        }
        return sizes;
    }

    test::SettingsFolder settings;
    std::optional<test::ScopedEnvironment> platformRoot;
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::unique_ptr<MainWindow> window;
    QLineEdit* field = nullptr;
    StepperWidget* stepper = nullptr;
    ConsoleView* console = nullptr;
    BusyIndicator* spinner = nullptr;
    QToolButton* upArrow = nullptr;
    QToolButton* downArrow = nullptr;
};

// --- The period's stepper and text field --------------------------------------------------

struct UserAction {
    enum Kind { Type, ClickUp, ClickDown, KeyUp, KeyDown } kind;
    const char* text = "";
};

struct PeriodCase {
    const char* name;
    std::vector<UserAction> actions;
    std::int64_t period;
};

void PrintTo(const PeriodCase& c, std::ostream* os) {
    *os << c.name;
}

class PeriodControlsTest : public MainWindowTest,
                           public ::testing::WithParamInterface<PeriodCase> {};

TEST_P(PeriodControlsTest, stepperAndFieldStayInStep) {
    open();
    for (const UserAction& action : GetParam().actions) {
        switch (action.kind) {
        case UserAction::Type:
            type(QString::fromUtf8(action.text));
            break;
        case UserAction::ClickUp:
            QTest::mouseClick(upArrow, Qt::LeftButton);
            break;
        case UserAction::ClickDown:
            QTest::mouseClick(downArrow, Qt::LeftButton);
            break;
        case UserAction::KeyUp:
            QTest::keyClick(stepper, Qt::Key_Up);
            break;
        case UserAction::KeyDown:
            QTest::keyClick(stepper, Qt::Key_Down);
            break;
        }
    }
    const std::int64_t period = GetParam().period;
    EXPECT_EQ(field->text(), QString::number(period));
    EXPECT_EQ(stepper->value(), period);
    EXPECT_EQ(controller().timePeriod(), period);
}

using A = UserAction;
INSTANTIATE_TEST_SUITE_P(
    MainWindow, PeriodControlsTest,
    ::testing::Values(
        PeriodCase{"untouched", {}, 1}, PeriodCase{"clickUp", {{A::ClickUp}}, 2},
        PeriodCase{"clickUpUpDown", {{A::ClickUp}, {A::ClickUp}, {A::ClickDown}}, 2},
        PeriodCase{"clickDownAtTheMinimum", {{A::ClickDown}}, 1},
        PeriodCase{"keys", {{A::KeyUp}, {A::KeyUp}, {A::KeyUp}, {A::KeyDown}}, 3},
        PeriodCase{"typeInRange", {{A::Type, "7"}}, 7},
        PeriodCase{"typeTheMaximum", {{A::Type, "30"}}, 30},
        PeriodCase{"typeAboveTheRange", {{A::Type, "31"}}, 30},
        PeriodCase{"typeFarAboveTheRange", {{A::Type, "500"}}, 30},
        PeriodCase{"typeBeyondInt64", {{A::Type, "99999999999999999999"}}, 30},
        PeriodCase{"typeZero", {{A::Type, "0"}}, 1},
        PeriodCase{"typeNegative", {{A::Type, "-3"}}, 1},
        PeriodCase{"typeLetters", {{A::Type, "abc"}}, 1},
        PeriodCase{"typeNothing", {{A::Type, "12"}, {A::Type, ""}}, 1},
        PeriodCase{"typeFraction", {{A::Type, "7.9"}}, 7},
        PeriodCase{"typeThenStepPastTheMaximum", {{A::Type, "29"}, {A::ClickUp}, {A::ClickUp}}, 30},
        PeriodCase{"stepThenTypeThenStep", {{A::ClickUp}, {A::Type, "12"}, {A::KeyDown}}, 11}),
    [](const ::testing::TestParamInfo<PeriodCase>& p) { return p.param.name; });

// --- Loading the settings ---------------------------------------------------------------

struct StoredSettingsCase {
    const char* name;
    const char* ini;
    std::int64_t period;
    double fontSize;
};

void PrintTo(const StoredSettingsCase& c, std::ostream* os) {
    *os << c.name;
}

class StoredSettingsTest : public MainWindowTest,
                           public ::testing::WithParamInterface<StoredSettingsCase> {};

TEST_P(StoredSettingsTest, theWindowOpensWithTheStoredSettings) {
    settings.writeSettingsFile(GetParam().ini);
    open();
    EXPECT_EQ(field->text(), QString::number(GetParam().period));
    EXPECT_EQ(stepper->value(), GetParam().period);
    EXPECT_EQ(controller().fontSize(), GetParam().fontSize);
    controller().setOutputText("report\n");
    EXPECT_EQ(consoleCharacterSizes(), std::vector<double>{GetParam().fontSize});
}

INSTANTIATE_TEST_SUITE_P(
    MainWindow, StoredSettingsTest,
    ::testing::Values(StoredSettingsCase{"nothingStored", "", 1, 12.0},
                      StoredSettingsCase{"stored", "timePeriod=9\nfontSize=16.5\n", 9, 16.5},
                      StoredSettingsCase{"periodBeyondTheStepper", "timePeriod=45\n", 30, 12.0},
                      StoredSettingsCase{"negativePeriod", "timePeriod=-5\n", 1, 12.0},
                      StoredSettingsCase{"corrupt", "timePeriod=abc\nfontSize=big\n", 1, 12.0},
                      StoredSettingsCase{"fontBelowTheMinimum", "fontSize=3.9\n", 1, 12.0},
                      StoredSettingsCase{"fontAboveTheButtonsRange", "fontSize=30\n", 1, 30.0},
                      StoredSettingsCase{"fontNotANumber", "fontSize=nan\n", 1, 12.0}),
    [](const ::testing::TestParamInfo<StoredSettingsCase>& p) { return p.param.name; });

// --- Appearance, title, controls --------------------------------------------------------

TEST_F(MainWindowTest, theTitleCarriesTheSimulatedXProtectVersion) {
    const auto info =
        platform::bundleInfoDictionary(test::builtSimRoot() + std::string(mac::kXProtectBundle));
    ASSERT_TRUE(info.has_value()) << "the simulated root is not built";
    const std::string version = info->at("CFBundleShortVersionString");
    open();
    EXPECT_EQ(window->windowTitle().toStdString(), kTitlePrefix + version);
}

TEST_F(MainWindowTest, theTitleSaysNotFoundWithoutXProtect) {
    const test::TempFolder emptyRoot;
    open(emptyRoot.path());
    EXPECT_EQ(window->windowTitle().toStdString(), kTitlePrefix + "Not found");
}

TEST_F(MainWindowTest, everyAppearanceFinishesTheWindowAgain) {
    open();
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_TRUE(controller().lastRunDate().has_value());

    QTest::mouseClick(upArrow, Qt::LeftButton);
    field->setText(QStringLiteral("draft")); // not confirmed
    spinner->show();
    window->hide();
    window->show();
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_EQ(field->text(), QStringLiteral("2"));
    EXPECT_EQ(controller().timePeriod(), 2);
}

TEST_F(MainWindowTest, everyControlHasAnAccessibleName) {
    open();
    int controls = 0;
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        const bool isControl = qobject_cast<QAbstractButton*>(widget) != nullptr ||
                               qobject_cast<QLineEdit*>(widget) != nullptr ||
                               qobject_cast<QPlainTextEdit*>(widget) != nullptr ||
                               qobject_cast<StepperWidget*>(widget) != nullptr ||
                               qobject_cast<BusyIndicator*>(widget) != nullptr;
        // Qt's own helpers, such as the menu bar's overflow button, are named "qt_…".
        if (isControl && !widget->objectName().startsWith(QStringLiteral("qt_"))) {
            ++controls;
            EXPECT_FALSE(widget->accessibleName().isEmpty()) << widget->objectName().toStdString();
        }
    }
    // field, stepper and its two arrows, three buttons, two font buttons, spinner, console
    EXPECT_GE(controls, 11);
}

TEST_F(MainWindowTest, theButtonsAreLiveAndTheHelpMenuHoldsItsItems) {
    open();
    EXPECT_EQ(child<QPushButton>("checkButton")->text(), QStringLiteral("Check XProtect"));
    EXPECT_TRUE(child<QPushButton>("checkButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("runButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>("saveButton")->isEnabled());
    QStringList titles;
    for (const QAction* action : window->helpMenu()->actions()) {
        if (!action->isSeparator()) {
            titles << action->text();
        }
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Scanbrook Help"),
                                   QStringLiteral("Update not checked")}));
}

// --- Console and font size --------------------------------------------------------------

TEST_F(MainWindowTest, theFontButtonsResizeTheConsoleAndRememberTheSize) {
    open();
    EXPECT_TRUE(console->isReadOnly());
    controller().setOutputText("line one \u26a0\ufe0f\r\n");
    controller().appendOutputText("line two");
    auto* larger = child<QToolButton>("largerButton");
    auto* smaller = child<QToolButton>("smallerButton");

    QTest::mouseClick(larger, Qt::LeftButton);
    EXPECT_EQ(controller().fontSize(), 13.0);
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("fontSize")).toDouble(), 13.0);
    for (double size : consoleCharacterSizes()) {
        EXPECT_EQ(size, 13.0);
    }

    QTest::mouseClick(smaller, Qt::LeftButton);
    QTest::mouseClick(smaller, Qt::LeftButton);
    EXPECT_EQ(controller().fontSize(), 11.0);
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("fontSize")).toDouble(), 11.0);
    for (double size : consoleCharacterSizes()) {
        EXPECT_EQ(size, 11.0);
    }
    EXPECT_EQ(console->toPlainText(), QStringLiteral("line one \u26a0\ufe0f\nline two"));
}

// --- Closing ----------------------------------------------------------------------------

TEST_F(MainWindowTest, closingStoresThePeriodAndEndsTheApplication) {
    open();
    type(QStringLiteral("9"));
    QTimer::singleShot(0, window.get(), [this] { window->close(); });
    // Should the application never be asked to end, the test fails instead of hanging.
    bool ended = true;
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &guard, [&ended] {
        ended = false;
        QCoreApplication::exit(1);
    });
    guard.start(60'000);

    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_TRUE(ended);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("timePeriod")).toString(),
              QStringLiteral("9"));
    EXPECT_EQ(platform::QtUserDefaults().integerForKey("timePeriod"), 9);
}

} // namespace
} // namespace scanbrook
