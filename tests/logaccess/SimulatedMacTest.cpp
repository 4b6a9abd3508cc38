// The five log-access checks against private copies of the simulated Mac, each broken in one
// way: exactly the check that depends on the broken thing fails.

#include "logaccess/deDysfunction.h"

#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>

namespace scanbrook {
namespace {

using Root = test::TempSimRoot;
enum Check { kAdmin, kPersist, kTimesync, kLogEntries, kTimeFormat };

/// The log tool's JSON with twelve entries, only the one at `usableAt` of the usable form.
std::string timeFormatEntries(int usableAt) {
    std::string json = "[";
    for (int i = 0; i < 12; ++i) {
        json += i ? "," : "";
        json += i == usableAt ? R"({"timestamp" : "2024-03-05 09:41:07.123456+0100"})"
                              : R"({"timestamp" : "2024-03-05 09:41:07.123+0100"})";
    }
    return json + "]";
}

TEST(SimulatedMac, EachBreakageFailsExactlyItsCheck) {
    const auto control = [](const char* name, std::string value) {
        return [=](const Root& root) { root.setControl(name, value); };
    };
    const std::string persist = "/var/db/diagnostics/Persist";
    // How the Mac is broken, and the one check that fails (nullopt: none).
    const std::tuple<const char*, std::function<void(const Root&)>, std::optional<Check>> cases[] =
        {{"Intact", [](const Root&) {}, std::nullopt},
         {"NotAdmin", control("id.groups", "20 12 61 701"), kAdmin},
         {"NoIdTool", [](const Root& r) { r.removeFile("/usr/bin/id"); }, kAdmin},
         {"EmptyStore", [&](const Root& r) { r.emptyFolder(persist); }, kPersist},
         {"NoTimesync", [](const Root& r) { r.removeFile("/var/db/diagnostics/timesync"); },
          kTimesync},
         {"LogFails", control("log.text.status", "1"), kLogEntries},
         {"LogPrintsNoLineFeed", control("log.text.output", "Timestamp  Thread"), kLogEntries},
         {"UsableTimestampTenth", control("log.json.output", timeFormatEntries(9)), std::nullopt},
         {"UsableTimestampOnlyEleventh", control("log.json.output", timeFormatEntries(10)),
          kTimeFormat}};
    for (const auto& [name, breakIt, failing] : cases) {
        const Root root;
        breakIt(root);
        const test::UsingPlatformRoot usingRoot(root.path());
        const deDysfunction checks;
        const std::array<bool, 5> results = {checks.checkAdmin(), checks.checkPersist(),
                                             checks.checkTimesync(), checks.checkLogEntries(),
                                             checks.checkLogTimeFormat()};
        for (int check = kAdmin; check <= kTimeFormat; ++check) {
            EXPECT_EQ(results[check], failing != check) << name << ", check " << check;
        }
    }
    // Without a log tool both checks that run it fail.
    const Root root;
    root.removeFile("/usr/bin/log");
    const test::UsingPlatformRoot usingRoot(root.path());
    EXPECT_FALSE(deDysfunction().checkLogEntries());
    EXPECT_FALSE(deDysfunction().checkLogTimeFormat());
}

} // namespace
} // namespace scanbrook
