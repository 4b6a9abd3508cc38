// The five log-access checks against private copies of the simulated Mac, each broken in one
// way: exactly the check that depends on the broken thing fails.

#include "logaccess/deDysfunction.h"

#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;
using Root = test::TempSimRoot;

enum Check { kAdmin, kPersist, kTimesync, kLogEntries, kTimeFormat };
using Results = std::array<bool, 5>;
constexpr Results kAllPass = {true, true, true, true, true};

/// Every check passes but those named.
Results failing(std::initializer_list<Check> checks) {
    Results results = kAllPass;
    for (const Check check : checks) {
        results[check] = false;
    }
    return results;
}

const std::string kPersistFolder = "/var/db/diagnostics/Persist";

/// The log tool's JSON with `count` entries, only the one at `usableAt` of the usable form.
std::string timeFormatEntries(int count, int usableAt) {
    std::string json = "[\n";
    for (int i = 0; i < count; ++i) {
        json += i ? ",\n" : "";
        json += i == usableAt ? R"({"timestamp" : "2024-03-05 09:41:07.123456+0100"})"
                              : R"({"timestamp" : "2024-03-05 09:41:07.123+0100"})";
    }
    return json + "\n]\n";
}

using Breakage = std::function<void(const Root&)>;

struct BreakCase {
    const char* name;
    Breakage breakIt;
    Results expected;
};

BreakCase breaking(const char* name, Breakage breakIt, Results expected) {
    return {name, std::move(breakIt), expected};
}
Breakage control(const char* name, std::string value) {
    return [=](const Root& root) { root.setControl(name, value); };
}
Breakage removed(std::string path) {
    return [=](const Root& root) { root.removeFile(path); };
}
/// The log store emptied, then `fill` put in it.
Breakage store(std::function<void(const std::string& folder)> fill) {
    return [=](const Root& root) {
        root.emptyFolder(kPersistFolder);
        fill(root.pathOf(kPersistFolder));
    };
}

class SimulatedMac : public ::testing::TestWithParam<BreakCase> {};

TEST_P(SimulatedMac, EachBreakageFailsExactlyItsCheck) {
    const Root root;
    GetParam().breakIt(root);
    const test::UsingPlatformRoot usingRoot(root.path());

    const deDysfunction checks;
    const Results results = {checks.checkAdmin(), checks.checkPersist(), checks.checkTimesync(),
                             checks.checkLogEntries(), checks.checkLogTimeFormat()};
    EXPECT_EQ(results, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Breakages, SimulatedMac,
    ::testing::Values(
        breaking(
            "Intact", [](const Root&) {}, kAllPass),
        breaking("NotAdmin", control("id.groups", "20 12 61 701"), failing({kAdmin})),
        breaking("AdminIsTheLastGroup", control("id.groups", "20 80"), kAllPass),
        breaking("LookalikeGroupsOnly", control("id.groups", "180 800 8"), failing({kAdmin})),
        breaking("IdStatusIsIgnored", control("id.status", "1"), kAllPass),
        breaking("NoIdTool", removed("/usr/bin/id"), failing({kAdmin})),
        breaking("EmptyStore", store([](const std::string&) {}), failing({kPersist})),
        breaking("StoreHoldsOnlyAHiddenFile",
                 store([](const std::string& folder) { test::writeFile(folder + "/.x", "x"); }),
                 kAllPass),
        breaking("StoreHoldsOnlyAnEmptyFolder",
                 store([](const std::string& folder) { fs::create_directory(folder + "/x"); }),
                 kAllPass),
        breaking(
            "StoreIsAFile",
            [](const Root& r) {
                r.removeFile(kPersistFolder);
                r.writeFile(kPersistFolder, "not a folder");
            },
            failing({kPersist})),
        breaking(
            "StoreIsALinkToAFolderWithEntries",
            [](const Root& r) {
                r.removeFile(kPersistFolder);
                fs::create_directory_symlink("timesync", r.pathOf(kPersistFolder));
            },
            kAllPass),
        breaking("NoTimesync", removed("/var/db/diagnostics/timesync"), failing({kTimesync})),
        breaking("LogFails", control("log.text.status", "1"), failing({kLogEntries})),
        breaking("LogPrintsNoLineFeed", control("log.text.output", "Timestamp  Thread"),
                 failing({kLogEntries})),
        breaking("LogPrintsOnlyALineFeed", control("log.text.output", "\n"), kAllPass),
        breaking("LogJsonEmpty", control("log.json.output", "[]"), failing({kTimeFormat})),
        breaking("LogJsonFails", control("log.json.status", "1"), failing({kTimeFormat})),
        breaking("UsableTimestampOnlyEleventh",
                 control("log.json.output", timeFormatEntries(12, 10)), failing({kTimeFormat})),
        breaking("UsableTimestampTenth", control("log.json.output", timeFormatEntries(12, 9)),
                 kAllPass),
        breaking("NoLogTool", removed("/usr/bin/log"), failing({kLogEntries, kTimeFormat})),
        breaking(
            "LogToolNotExecutable",
            [](const Root& r) { fs::permissions(r.pathOf("/usr/bin/log"), fs::perms::owner_read); },
            failing({kLogEntries, kTimeFormat}))),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace scanbrook
