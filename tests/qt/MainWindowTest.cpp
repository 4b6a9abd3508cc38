// The real window from MainWindow.ui, offscreen, on the simulated Mac.

#include "QtTestSupport.h"

#include "platform/Bundle.h"
#include "platform/MacPaths.h"
#include "platform/qt/ConsoleView.h"
#include "platform/qt/QtUserDefaults.h"
#include "platform/qt/StepperWidget.h"
#include "window/ViewController.h"

#include <QLineEdit>
#include <QTimer>
#include <QToolButton>

namespace scanbrook {
namespace {

using platform::StepperWidget;

class MainWindowTest : public test::WindowTest {
protected:
    void open(const std::string& root = test::builtSimRoot()) {
        WindowTest::open(root);
        field = child<QLineEdit>("textTimePeriod");
        stepper = child<StepperWidget>("periodStep");
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
};

TEST_F(MainWindowTest, StepperAndFieldStayInStep) {
    // What the user does: text typed into the field, "up"/"down" clicked on the stepper's
    // arrows, or "Up"/"Down" pressed as keys on the stepper; each case starts from 1.
    const std::pair<std::vector<const char*>, std::int64_t> cases[] = {
        {{"up", "up", "down"}, 2},       {{"down"}, 1},
        {{"Up", "Up", "Up", "Down"}, 3}, {{"31"}, 30},
        {{"29", "up", "up"}, 30},        {{"up", "12", "Down"}, 11}};
    open();
    for (const auto& [actions, period] : cases) {
        type("1");
        for (const std::string_view action : actions) {
            if (action == "up" || action == "down") {
                for (QToolButton* arrow : stepper->findChildren<QToolButton*>()) {
                    if ((arrow->arrowType() == Qt::UpArrow) == (action == "up")) {
                        QTest::mouseClick(arrow, Qt::LeftButton);
                    }
                }
            } else if (action == "Up" || action == "Down") {
                QTest::keyClick(stepper, action == "Up" ? Qt::Key_Up : Qt::Key_Down);
            } else {
                type(action.data());
            }
        }
        EXPECT_EQ(field->text(), QString::number(period)) << period;
        EXPECT_EQ(stepper->value(), period);
        EXPECT_EQ(controller().timePeriod(), period);
    }
}

TEST_F(MainWindowTest, TitleCarriesTheSimulatedXProtectVersionOrNotFound) {
    const auto info =
        platform::bundleInfoDictionary(test::builtSimRoot() + std::string(mac::kXProtectBundle));
    ASSERT_TRUE(info) << "the simulated root is not built";
    open();
    EXPECT_EQ(window->windowTitle().toStdString(),
              "Scanbrook : XProtect Remediator version " + info->at("CFBundleShortVersionString"));
    TearDown();

    const test::TempFolder emptyRoot;
    open(emptyRoot.path());
    EXPECT_EQ(window->windowTitle().toStdString(),
              "Scanbrook : XProtect Remediator version Not found");
}

TEST_F(MainWindowTest, FontButtonsResizeEveryCharacterAndRememberTheSize) {
    open();
    controller().setOutputText("line one \u26a0\ufe0f\r\n");
    controller().appendOutputText("line two");
    QTest::mouseClick(child<QToolButton>("largerButton"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("smallerButton"), Qt::LeftButton);
    QTest::mouseClick(child<QToolButton>("smallerButton"), Qt::LeftButton);
    EXPECT_EQ(settings.reopen()->value(QStringLiteral("fontSize")).toDouble(), 11.0);
    EXPECT_EQ(consoleSizes(), std::vector<double>(consoleSizes().size(), 11.0));
    EXPECT_EQ(child<platform::ConsoleView>("outputTextbox")->toPlainText(),
              QStringLiteral("line one \u26a0\ufe0f\nline two"));
}

TEST_F(MainWindowTest, OpensWithTheStoredSettingsAndClosingStoresThePeriodAndEndsTheApplication) {
    settings.writeSettingsFile("[General]\ntimePeriod=45\nfontSize=30\n");
    open();
    EXPECT_EQ(field->text(), QStringLiteral("30"));
    controller().setOutputText("report\n");
    EXPECT_EQ(consoleSizes(), std::vector<double>{30.0});

    type("9");
    QTimer::singleShot(0, window.get(), [this] { window->close(); });
    // Should the application never be asked to end, the test fails instead of hanging.
    QTimer::singleShot(60'000, window.get(), [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(platform::QtUserDefaults().integerForKey("timePeriod"), 9);
}

} // namespace
} // namespace scanbrook
