// A settings file that is corrupt, holds values of the wrong type, cannot be read or is no file
// at all: the window and the launch sequence start with usable values, and what they write
// afterwards can be read back.

#include "faults/FaultSupport.h"
#include "qt/QtTestSupport.h"

#include "app/AppDelegate.h"
#include "app/MainWindow.h"
#include "platform/qt/MainQueue.h"
#include "platform/qt/QtUserDefaults.h"
#include "support/Fakes.h"
#include "window/ViewController.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sys/stat.h>

namespace scanbrook {
namespace {

using namespace std::string_literals;

struct SettingsCase {
    const char* name;
    std::string contents;
};

void PrintTo(const SettingsCase& c, std::ostream* os) {
    *os << c.name;
}

std::string garbage() {
    std::string bytes;
    std::uint32_t state = 20240305;
    for (int i = 0; i < 4096; ++i) {
        state = state * 1664525U + 1013904223U;
        bytes += static_cast<char>(state >> 24);
    }
    return bytes;
}

const SettingsCase kCorrupt[] = {
    {"randomBytes", garbage()},
    {"nulBytes", "[General]\nfontSize=1\0"
                 "8\ntimePeriod=\0\0\0\n"s},
    {"unterminatedSection", "[General\nfontSize=2\ntimePeriod=-4\n"},
    {"brokenVariant", "[General]\nfontSize=@Variant(\\0\\0\\0\\x87\\xff\\xff\\xff\\xff)\n"
                      "timePeriod=@Variant(\\0\\0\\0\\x2\\0\\0\\0\n"},
    {"unterminatedVariant", "[General]\nfontSize=@Variant(\ntimePeriod=@ByteArray(\n"},
    {"wrongTypes", "[General]\nfontSize=true\ntimePeriod=seven\nnoUpdateCheck=12abc\n"
                   "updateCheckInt=@Size(1 2)\ndateLastUpdateCheck=@Rect(0 0 1 1)\n"},
    {"lists", "[General]\nfontSize=13, 14\ntimePeriod=1, 2, 3\nupdateCheckInt=a, b\n"},
    {"notNumbers", "[General]\nfontSize=nan\ntimePeriod=inf\nupdateCheckInt=-inf\n"
                   "dateLastUpdateCheck=nan\n"},
    {"outOfRange", "[General]\nfontSize=-1e308\ntimePeriod=-9223372036854775808\n"
                   "updateCheckInt=0.5\ndateLastUpdateCheck=-1e308\n"},
    {"hugeLine", "[General]\nfontSize=" + std::string(1 << 20, '9') + "\n"},
    {"utf16", "\xFF\xFE[\0G\0e\0n\0e\0r\0a\0l\0]\0\n\0"s},
};

/// The window and the launch sequence over the settings file of the case.
class CorruptSettings : public ::testing::TestWithParam<SettingsCase> {
protected:
    void SetUp() override { settings.writeSettingsFile(GetParam().contents); }
    test::SettingsFolder settings;
};

TEST_P(CorruptSettings, WindowStartsWithUsableValuesAndStoresAReadablePeriod) {
    auto mainQueue = std::make_shared<platform::MainQueue>();
    {
        MainWindow window(mainQueue);
        window.show();
        const double font = window.viewController().fontSize();
        EXPECT_TRUE(std::isfinite(font) && font >= 4.0) << font;
        const std::int64_t period = window.viewController().timePeriod();
        EXPECT_GE(period, 1);
        EXPECT_LE(period, 30);
        window.close();
        QApplication::processEvents();
        EXPECT_EQ(platform::QtUserDefaults().integerForKey("timePeriod"), period);
    }
    mainQueue->close();
}

TEST_P(CorruptSettings, LaunchSequenceChecksForUpdatesAndStoresAReadableTime) {
    class PassingChecks final : public LaunchChecks {
    public:
        bool checkAdmin() override { return true; }
        bool checkPersist() override { return true; }
        bool checkTimesync() override { return true; }
        bool checkLogEntries() override { return true; }
        bool checkLogTimeFormat() override { return true; }
        const std::string& clockScript() const override { return script; }
        std::string script;
    };
    platform::QtUserDefaults defaults;
    test::FakeClock clock;
    clock.time = platform::TimePoint{std::chrono::seconds(1'709'631'667)};
    test::FakeApplication application;
    test::FakeAlertPresenter alerts;
    int updateChecks = 0;
    AppDelegate delegate(AppDelegateServices{
        defaults, clock, application, alerts, [&] { ++updateChecks; }, [] { return nullptr; },
        [](const std::string&) {}, [] { return std::make_unique<PassingChecks>(); }});
    delegate.runLaunchChecks();

    // A value that cannot be read counts as absent: a check is due and nothing fails.
    const bool switchedOff = GetParam().contents.find("noUpdateCheck=true") != std::string::npos;
    EXPECT_EQ(updateChecks, switchedOff ? 0 : 1);
    EXPECT_TRUE(alerts.shown.empty());
    EXPECT_EQ(application.terminations, 0);
    if (updateChecks == 1) {
        EXPECT_EQ(platform::QtUserDefaults().doubleForKey("dateLastUpdateCheck"),
                  platform::secondsSinceReferenceDate(clock.time));
    }
}

INSTANTIATE_TEST_SUITE_P(Files, CorruptSettings, ::testing::ValuesIn(kCorrupt),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(SettingsFileFaults, AFolderInPlaceOfTheFileReadsAsDefaultsAndWritingFailsQuietly) {
    test::SettingsFolder settings;
    std::filesystem::create_directories(settings.settingsFile());
    platform::QtUserDefaults defaults;
    EXPECT_EQ(defaults.doubleForKey("fontSize"), 0.0);
    EXPECT_EQ(defaults.integerForKey("timePeriod"), 0);
    defaults.setInteger(7, "timePeriod");
    EXPECT_TRUE(std::filesystem::is_directory(settings.settingsFile()));
}

TEST(SettingsFileFaults, AFileTheUserMayNotReadOrWriteReadsAsDefaults) {
    SCANBROOK_RUN_UNPRIVILEGED();
    test::SettingsFolder settings;
    settings.writeSettingsFile("[General]\nfontSize=20\ntimePeriod=9\n");
    ASSERT_EQ(::chmod(settings.settingsFile().c_str(), 0), 0);

    auto mainQueue = std::make_shared<platform::MainQueue>();
    {
        MainWindow window(mainQueue);
        window.show();
        EXPECT_EQ(window.viewController().fontSize(), 12.0);
        EXPECT_EQ(window.viewController().timePeriod(), 1);
        window.close();
        QApplication::processEvents();
    }
    mainQueue->close();
    ASSERT_EQ(::chmod(settings.settingsFile().c_str(), 0600), 0);
    EXPECT_EQ(test::fileContents(settings.settingsFile()),
              "[General]\nfontSize=20\ntimePeriod=9\n");
}

} // namespace
} // namespace scanbrook
