#include "app/AppDelegate.h"

#include "app/ErrorAlert.h"
#include "logaccess/LaunchCheckMessages.h"
#include "platform/ClockSettings.h"

#include <cmath>
#include <string_view>

namespace scanbrook {

namespace {

constexpr std::string_view kNoUpdateCheckKey = "noUpdateCheck";
constexpr std::string_view kUpdateCheckIntervalKey = "updateCheckInt";
constexpr std::string_view kLastUpdateCheckKey = "dateLastUpdateCheck";
constexpr double kDefaultUpdateInterval = 43200.0; // 12 hours
constexpr double kMinUpdateInterval = 1.0;

} // namespace

AppDelegate::AppDelegate(AppDelegateServices services) : services_(std::move(services)) {
    if (!services_.openClockSettings) {
        services_.openClockSettings = platform::openClockSettings;
    }
    if (!services_.makeLaunchChecks) {
        services_.makeLaunchChecks = [] { return std::make_unique<SystemLaunchChecks>(); };
    }
}

void AppDelegate::applicationDidFinishLaunching() {
    runLaunchChecks();
}

void AppDelegate::openHelp() {
    auto controller = services_.makeHelpWindow();
    if (!controller) {
        return;
    }
    controller->showWindow();
    myHelpWindow.push_back(std::move(controller));
}

void AppDelegate::runLaunchChecks() {
    runUpdateSchedule();

    const auto checks = services_.makeLaunchChecks();
    const std::pair<bool (LaunchChecks::*)(), std::string_view> inOrder[] = {
        {&LaunchChecks::checkAdmin, messages::kNotAdmin},
        {&LaunchChecks::checkPersist, messages::kNoLogFiles},
        {&LaunchChecks::checkTimesync, messages::kNoTimesyncFiles},
        {&LaunchChecks::checkLogEntries, messages::kNoLogEntries},
    };
    for (const auto& [check, message] : inOrder) {
        if (!((*checks).*check)()) {
            fail(message);
            return;
        }
    }
    if (!checks->checkLogTimeFormat()) {
        // The clock settings come forward first, so the alert stands in front of them.
        services_.openClockSettings();
        fail(messages::kWrongTimeFormat);
    }
}

void AppDelegate::fail(std::string_view message) {
    showErrorAlert(services_.alerts, message);
    // On the platform a termination request does not come back; here it may, and nothing after
    // it may run, so every caller returns right after this.
    services_.application.terminate();
}

void AppDelegate::runUpdateSchedule() {
    auto& defaults = services_.defaults;
    if (defaults.boolForKey(kNoUpdateCheckKey)) {
        return;
    }
    double last = defaults.doubleForKey(kLastUpdateCheckKey);
    double interval = defaults.doubleForKey(kUpdateCheckIntervalKey);
    // A stored value that is no finite number would make every comparison false and stop the
    // checks for good; it counts as unusable, like an absent one.
    if (!std::isfinite(last)) {
        last = 0.0;
    }
    if (!std::isfinite(interval) || interval < kMinUpdateInterval) {
        interval = kDefaultUpdateInterval;
    }
    const double now = platform::secondsSinceReferenceDate(services_.clock.now());
    if (!(interval < now - last)) {
        return;
    }
    services_.checkForUpdates();
    defaults.setDouble(platform::secondsSinceReferenceDate(services_.clock.now()),
                       kLastUpdateCheckKey);
}

} // namespace scanbrook
