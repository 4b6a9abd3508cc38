#include "logaccess/deDysfunction.h"

#include "platform/Paths.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;
using Results = std::array<bool, 5>; // admin, persist, timesync, log entries, time format

constexpr Results kAllPass = {true, true, true, true, true};

std::string timeFormatEntries(int count, int usableAt) {
    std::string json = "[\n";
    for (int i = 0; i < count; ++i) {
        json += i ? ",\n" : "";
        json += i == usableAt ? R"({"timestamp" : "2024-03-05 09:41:07.123456+0100"})"
                              : R"({"timestamp" : "2024-03-05 09:41:07.123+0100"})";
    }
    return json + "\n]\n";
}

struct BreakCase {
    const char* name;
    std::function<void(const test::TempSimRoot&)> breakIt;
    Results expected;
};

class SimulatedMac : public ::testing::TestWithParam<BreakCase> {};

TEST_P(SimulatedMac, EachBreakageFailsExactlyItsCheck) {
    const test::TempSimRoot root;
    GetParam().breakIt(root);
    const test::ScopedEnvironment env(platform::kPlatformRootVariable, root.path());
    platform::reloadPlatformRoot();

    const deDysfunction checks;
    const Results results = {checks.checkAdmin(), checks.checkPersist(), checks.checkTimesync(),
                             checks.checkLogEntries(), checks.checkLogTimeFormat()};
    EXPECT_EQ(results, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Breakages, SimulatedMac,
    ::testing::Values(
        BreakCase{"Intact", [](const auto&) {}, kAllPass},
        BreakCase{"NotAdmin",
                  [](const auto& r) { r.setControl("id.groups", "20 12 61 701"); },
                  {false, true, true, true, true}},
        BreakCase{"AdminIsTheLastGroup", [](const auto& r) { r.setControl("id.groups", "20 80"); },
                  kAllPass},
        BreakCase{"LookalikeGroupsOnly",
                  [](const auto& r) { r.setControl("id.groups", "180 800 8"); },
                  {false, true, true, true, true}},
        BreakCase{"IdStatusIsIgnored", [](const auto& r) { r.setControl("id.status", "1"); },
                  kAllPass},
        BreakCase{"NoIdTool",
                  [](const auto& r) { r.removeFile("/usr/bin/id"); },
                  {false, true, true, true, true}},
        BreakCase{"EmptyStore",
                  [](const auto& r) { r.emptyFolder("/var/db/diagnostics/Persist"); },
                  {true, false, true, true, true}},
        BreakCase{"StoreHoldsOnlyAHiddenFile",
                  [](const auto& r) {
                      r.emptyFolder("/var/db/diagnostics/Persist");
                      r.writeFile("/var/db/diagnostics/Persist/.hidden", "x");
                  },
                  kAllPass},
        BreakCase{"StoreIsAFile",
                  [](const auto& r) {
                      r.removeFile("/var/db/diagnostics/Persist");
                      r.writeFile("/var/db/diagnostics/Persist", "not a folder");
                  },
                  {true, false, true, true, true}},
        BreakCase{"NoTimesync",
                  [](const auto& r) { r.removeFile("/var/db/diagnostics/timesync"); },
                  {true, true, false, true, true}},
        BreakCase{"LogFails",
                  [](const auto& r) { r.setControl("log.text.status", "1"); },
                  {true, true, true, false, true}},
        BreakCase{"LogPrintsNoLineFeed",
                  [](const auto& r) { r.setControl("log.text.output", "Timestamp  Thread"); },
                  {true, true, true, false, true}},
        BreakCase{"LogPrintsOnlyALineFeed",
                  [](const auto& r) { r.setControl("log.text.output", "\n"); }, kAllPass},
        BreakCase{"LogJsonEmpty",
                  [](const auto& r) { r.setControl("log.json.output", "[]"); },
                  {true, true, true, true, false}},
        BreakCase{"LogJsonFails",
                  [](const auto& r) { r.setControl("log.json.status", "1"); },
                  {true, true, true, true, false}},
        BreakCase{"UsableTimestampOnlyEleventh",
                  [](const auto& r) { r.setControl("log.json.output", timeFormatEntries(12, 10)); },
                  {true, true, true, true, false}},
        BreakCase{"UsableTimestampTenth",
                  [](const auto& r) { r.setControl("log.json.output", timeFormatEntries(12, 9)); },
                  kAllPass},
        BreakCase{"NoLogTool",
                  [](const auto& r) { r.removeFile("/usr/bin/log"); },
                  {true, true, true, false, false}},
        BreakCase{"LogToolNotExecutable",
                  [](const auto& r) {
                      fs::permissions(r.pathOf("/usr/bin/log"),
                                      fs::perms::owner_read | fs::perms::owner_write);
                  },
                  {true, true, true, false, false}}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace scanbrook
