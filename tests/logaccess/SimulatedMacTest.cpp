// The five log-access checks against private copies of the simulated Mac, each broken in one
// way: exactly the check that depends on the broken thing fails. And the simulated log tool's
// scan-history query from an instant, with a log that forgets and a cost per day of span: what
// Scanbrook's incremental reads of the log are tested against.

#include "logaccess/deDysfunction.h"
#include "platform/Process.h"
#include "reports/LogCommands.h"

#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
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

TEST(SimulatedLogTool, AnswersFromAnInstantForgetsCostsTimeAndRefuses) {
    constexpr long long kS = 1709500000, kDay = 86400;
    // The clock at S + `later` seconds; the store's events 1 to 4 at S, 1 µs before S, 10 s
    // before now and 32 days before S. Expected: the events of these the output holds, or the
    // exit status; the least time the tool takes. Without keep-hours the log keeps 31 days.
    const std::tuple<long long, std::string, std::string, std::string, double> rows[] = {
        {100, "log.status=0", "--start @1709500000", "1.3.", 0},
        {100, "log.status=0", "--start @0", "1.2.3.", 0},
        {3600, "log.keep-hours=0.5", "--start @1709500000", "3.", 0},
        {3600, "log.query.keep-hours=1", "--last 1d", "1.3.", 0},
        {kDay / 2, "log.seconds-per-day=3", "--start @1709500000", "1.3.", 1.5},
        {100, "log.seconds-per-day=0.75", "--last 2d", "1.2.3.", 1.5},
        {100, "log.keep-hours=-1", "--start @1709500000", "exit 70", 0},
        {100, "log.status=0", "--start @", "exit 64", 0},
        {100, "log.status=0", "--start 1709500000", "exit 64", 0},
        {100, "log.status=0", "--start @1.5", "exit 64", 0},
    };
    for (const auto& [later, control, request, expected, wait] : rows) {
        const test::TempSimRoot root;
        root.setControl("now", std::to_string(kS + later));
        root.setControl(control.substr(0, control.find('=')),
                        control.substr(control.find('=') + 1));
        std::string store; // one event a line: microseconds, scanner, type, process ID, message
        for (int id = 1;
             const long long micros : {kS * 1000000, kS * 1000000 - 1, (kS + later - 10) * 1000000,
                                       (kS - 32 * kDay) * 1000000}) {
            store += std::to_string(micros) + "\tScan\tInfo\t" + std::to_string(id++) + "\t\n";
        }
        root.writeFile("/sim/store/events.tsv", store);
        auto arguments = reports::checkQueryArguments("");
        arguments[6] = request.substr(0, request.find(' '));
        arguments[7] = request.substr(request.find(' ') + 1);
        const auto begin = std::chrono::steady_clock::now();
        const auto result = platform::runCommand(root.pathOf("/usr/bin/log"), arguments);
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - begin;
        std::string found = result.status ? "exit " + std::to_string(result.status) : "";
        for (const std::string id : {"1", "2", "3", "4"}) {
            found += result.output.find("\"processID\" : " + id + ",") == std::string::npos
                         ? ""
                         : id + ".";
        }
        EXPECT_EQ(found, expected) << request << " " << control;
        EXPECT_GE(took.count(), wait) << request << " " << control;
    }
}

} // namespace
} // namespace scanbrook
