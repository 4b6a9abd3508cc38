// A settings file that is corrupt or holds values of the wrong type: the launch sequence and the
// window start with usable values, and what they write afterwards can be read back.

#include "qt/QtTestSupport.h"

#include "app/AppDelegate.h"
#include "platform/qt/QtUserDefaults.h"
#include "support/Fakes.h"
#include "window/ViewController.h"

#include <QApplication>

namespace scanbrook {
namespace {

using namespace std::string_literals;

struct SettingsCase {
    const char* name;
    std::string contents;
};

class CorruptSettings : public test::WindowTest,
                        public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(CorruptSettings, LaunchAndWindowStartWithUsableValuesAndStoreReadableOnes) {
    settings.writeSettingsFile(GetParam().contents);
    open(test::builtSimRoot());

    // A value that cannot be read counts as absent: an update check is due and nothing fails.
    platform::QtUserDefaults defaults;
    test::FakeClock clock;
    clock.time = platform::TimePoint{std::chrono::seconds(1'709'631'667)};
    test::FakeApplication application;
    test::FakeAlertPresenter alerts;
    int updateChecks = 0;
    AppDelegate(AppDelegateServices{defaults, clock, application, alerts, [&] { ++updateChecks; },
                                    [] { return nullptr; }})
        .runLaunchChecks();
    EXPECT_EQ(updateChecks, 1);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(application.terminations, 0);
    EXPECT_EQ(defaults.doubleForKey("dateLastUpdateCheck"),
              platform::secondsSinceReferenceDate(clock.time));

    EXPECT_EQ(window->viewController().fontSize(), 12.0);
    EXPECT_EQ(window->viewController().timePeriod(), 1);
    window->close();
    QApplication::processEvents();
    EXPECT_EQ(platform::QtUserDefaults().integerForKey("timePeriod"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Files, CorruptSettings,
    ::testing::Values(
        SettingsCase{"bytes",
                     std::string(64, '\x01') + "\x80\xFF\0[\0]=\xFE\n"s + std::string(64, '\x9C')},
        SettingsCase{"wrongTypes",
                     "[General]\nfontSize=true\ntimePeriod=seven\nnoUpdateCheck=12abc\n"
                     "updateCheckInt=@Size(1 2)\ndateLastUpdateCheck=@Rect(0 0 1 1)\n"},
        SettingsCase{"notNumbers", "[General]\nfontSize=nan\ntimePeriod=-9223372036854775808\n"
                                   "updateCheckInt=-inf\ndateLastUpdateCheck=-1e308\n"}),
    [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace scanbrook
