// The simulated Mac's stand-ins, run as real child processes on private copies of the root: the
// behaviour sim/README.md documents, for the requests and controls the other tests rely on.

#include "platform/DateFormat.h"
#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "reports/LogCommands.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>
#include <simdjson.h>

#include <algorithm>
#include <csignal>
#include <future>
#include <map>
#include <optional>
#include <set>

namespace scanbrook::test {
namespace {

using namespace std::chrono;
using Ending = platform::CommandResult::Ending;
using Entry = std::map<std::string, std::string>; // the members that are strings
const seconds kFixedNow{1709631667};              // 2024-03-05 09:41:07 UTC

std::vector<std::string> checkQuery(int days) {
    return reports::checkQueryArguments(std::to_string(days) + "d");
}
const std::vector<std::string> kRecentJson = {"show", "--style", "json", "--last", "2"};
const std::vector<std::string> kRecentText = {"show", "--last", "2"};
const std::vector<std::string> kIdAlice = {"-G", "alice"};

/// The elements of a JSON array of objects, each with all its 22 members; an empty list (and a
/// test failure) for any other output.
std::vector<Entry> parseEntries(const std::string& output) {
    simdjson::dom::parser parser;
    simdjson::dom::array array;
    std::vector<Entry> entries;
    if (parser.parse(simdjson::padded_string(output)).get_array().get(array) != simdjson::SUCCESS) {
        ADD_FAILURE() << "not a JSON array: " << output.substr(0, 200);
        return entries;
    }
    for (const auto element : array) {
        Entry& entry = entries.emplace_back();
        std::size_t members = 0;
        simdjson::dom::object object;
        EXPECT_EQ(element.get_object().get(object), simdjson::SUCCESS);
        for (const auto field : object) {
            ++members;
            std::string_view text;
            if (field.value.get_string().get(text) == simdjson::SUCCESS) {
                entry.emplace(field.key, text);
            }
        }
        EXPECT_EQ(members, 22U);
    }
    return entries;
}

/// The moment a 31-character log timestamp ("2024-03-05 09:41:07.123456+0100") stands for.
platform::TimePoint moment(const std::string& timestamp) {
    EXPECT_EQ(timestamp.size(), 31U) << timestamp;
    const auto parsed =
        platform::parseDate(timestamp, "yyyy-MM-dd HH:mm:ss.SSSSSSZZZ", "en_US_POSIX", "");
    EXPECT_TRUE(parsed.has_value()) << timestamp;
    return parsed.value_or(platform::TimePoint{});
}

class SimTool : public ::testing::Test {
protected:
    platform::CommandResult run(std::string_view tool, const std::vector<std::string>& arguments) {
        return platform::runCommand(root.pathOf(tool), arguments);
    }
    platform::CommandResult log(const std::vector<std::string>& arguments) {
        return run(mac::kLogTool, arguments);
    }
    TempSimRoot root;
};

class SimLogQuery : public SimTool, public ::testing::WithParamInterface<int> {};

TEST_P(SimLogQuery, PrintsTheScanEventsOfTheLastNDaysOldestFirst) {
    const int days = GetParam();
    const auto before = system_clock::now();
    const auto result = log(checkQuery(days));
    ASSERT_EQ(result.status, 0);
    EXPECT_NE(result.output.find(R"("senderImagePath" : "\/Library\/Apple\/System)"),
              std::string::npos);
    const auto entries = parseEntries(result.output);
    EXPECT_GE(entries.size(), static_cast<std::size_t>(days) * 2 * 23);

    platform::TimePoint previous{};
    std::set<std::string> senders;
    int code20 = 0, warnings = 0, nonAscii = 0;
    for (const Entry& entry : entries) {
        const std::string& message = entry.at("eventMessage");
        EXPECT_EQ(entry.at("subsystem"), "com.apple.XProtectFramework.PluginAPI");
        EXPECT_EQ(entry.at("category"), "XPEvent.structured");
        senders.insert(entry.at("senderImagePath"));
        const auto at = moment(entry.at("timestamp"));
        EXPECT_GT(at, before - days * 24h);
        EXPECT_LE(at, system_clock::now());
        EXPECT_GE(at, previous);
        previous = at;
        code20 += message.find("\"status_code\":20,") != std::string::npos;
        warnings += message.find("NoThreatDetected") == std::string::npos &&
                    message.find("status_code\":20") == std::string::npos &&
                    message.find("status_code\":0,") == std::string::npos;
        nonAscii +=
            std::any_of(message.begin(), message.end(), [](unsigned char c) { return c >= 0x80; });
    }
    EXPECT_EQ(senders.size(), 23U);
    if (days == 30) { // a month shows every kind of outcome, warnings rarely
        EXPECT_GE(code20, 1);
        EXPECT_GE(warnings, 1);
        EXPECT_LT(warnings, static_cast<int>(entries.size()) / 20);
        EXPECT_GE(nonAscii, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Periods, SimLogQuery, ::testing::Values(1, 30));

TEST_F(SimTool, RecentEntriesComeAsTextAndAsJsonWhateverTheStoresAge) {
    root.removeFile("/sim/store/events.tsv");
    const auto text = log(kRecentText);
    ASSERT_EQ(text.status, 0);
    EXPECT_TRUE(text.output.starts_with("Timestamp "));
    EXPECT_GE(std::count(text.output.begin(), text.output.end(), '\n'), 2);
    const auto json = parseEntries(log(kRecentJson).output);
    ASSERT_FALSE(json.empty());
    EXPECT_GT(moment(json.front().at("timestamp")), system_clock::now() - 3s);
}

class SimLogArguments : public SimTool,
                        public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(SimLogArguments, AnyOtherListIsRefused) {
    const auto result = log(GetParam());
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.output, "");
}

std::vector<std::string> queryWith(std::size_t index, std::string value) {
    auto arguments = checkQuery(7);
    arguments[index] = std::move(value);
    return arguments;
}

INSTANTIATE_TEST_SUITE_P(Lists, SimLogArguments,
                         ::testing::Values(std::vector<std::string>{},
                                           std::vector<std::string>{"stream"},
                                           std::vector<std::string>{"show", "--last", "2d"},
                                           queryWith(7, "0d"), queryWith(7, "31d"),
                                           queryWith(7, "07d"), queryWith(2, "subsystem == x")));

struct ControlCase {
    const char* name;
    std::map<std::string, std::string> controls;
    std::vector<std::string> arguments; ///< to the id tool when they start with "-G"
    int status;
    std::optional<std::string> output; ///< nullopt: the usual answer, a JSON array
};

class SimControl : public SimTool, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(SimControl, ChangesWhatTheToolDoes) {
    const ControlCase& c = GetParam();
    for (const auto& [name, value] : c.controls) {
        root.setControl(name, value);
    }
    const auto result = run(c.arguments.at(0) == "-G" ? mac::kIdTool : mac::kLogTool, c.arguments);
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, c.status);
    if (c.output) {
        EXPECT_EQ(result.output, *c.output);
    } else {
        EXPECT_FALSE(parseEntries(result.output).empty());
    }
}

const std::string kBytes("not json \xff\x00 [", 13);
// A control aimed at one request wins over the general one, for that request only.
const std::map<std::string, std::string> kGeneralAndJson = {{"log.status", "2"},
                                                            {"log.output", "any"},
                                                            {"log.json.status", "0"},
                                                            {"log.json.output", "[]"}};

INSTANTIATE_TEST_SUITE_P(
    Controls, SimControl,
    ::testing::Values(
        ControlCase{"Status", {{"log.status", "3\n"}}, checkQuery(1), 3, {}},
        ControlCase{"Output", {{"log.output", kBytes}}, checkQuery(3), 0, kBytes},
        ControlCase{"Delay", {{"log.delay", "random:1-30"}}, checkQuery(2), 0, {}},
        ControlCase{"Linger", {{"log.close-stdout-and-linger", "0.2"}}, checkQuery(2), 0, {}},
        ControlCase{"UnreadableValue", {{"log.status", "three"}}, checkQuery(1), 70, ""},
        ControlCase{"UnreadableSeconds", {{"log.delay", "1e-3"}}, checkQuery(1), 70, ""},
        ControlCase{"AimedAtJson", kGeneralAndJson, kRecentJson, 0, "[]"},
        ControlCase{"GeneralForText", kGeneralAndJson, kRecentText, 2, "any"},
        ControlCase{
            "IdGroups", {}, kIdAlice, 0, "20 12 61 79 80 81 98 701 33 100 204 250 395 398 399\n"},
        ControlCase{
            "IdGroupsSet", {{"id.groups", "20  12\n61 180\n"}}, kIdAlice, 0, "20 12 61 180\n"},
        ControlCase{
            "IdOutputAndStatus", {{"id.output", "2 80"}, {"id.status", "1"}}, kIdAlice, 1, "2 80"}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(SimTool, KillAfterEndsTheLogToolWithSigkillAfterThatManyBytes) {
    root.setControl("log.kill-after", "1000");
    const auto result = log(checkQuery(30));
    EXPECT_EQ(result.ending, Ending::Signalled);
    EXPECT_EQ(result.status, SIGKILL);
    EXPECT_EQ(result.output.size(), 1000U);
}

TEST_F(SimTool, HugeOutputIsOneValidArray) {
    root.setControl("log.huge", "6");
    const auto result = log(checkQuery(30));
    EXPECT_GE(result.output.size(), 6U << 20);
    EXPECT_FALSE(parseEntries(result.output).empty());
}

TEST_F(SimTool, ScanRunsAddOneEventPerScannerThatALaterQueryShows) {
    root.setControl("now", std::to_string(kFixedNow.count()));
    root.setControl("xprotect.duration", "0.2");
    const auto newEvents = [&] {
        root.setControl("now", std::to_string((kFixedNow + 60s).count()));
        std::set<std::string> senders;
        int count = 0;
        for (const Entry& entry : parseEntries(log(checkQuery(1)).output)) {
            if (moment(entry.at("timestamp")) > platform::TimePoint(kFixedNow)) {
                ++count;
                senders.insert(entry.at("senderImagePath"));
                EXPECT_NE(entry.at("eventMessage").find("\"status_code\":0,"), std::string::npos);
            }
        }
        root.setControl("now", std::to_string(kFixedNow.count()));
        return std::pair{count, senders.size()};
    };
    ASSERT_EQ(newEvents().first, 0);
    // Two runs at once keep every event.
    auto first = std::async(std::launch::async, [&] { return run(mac::kXProtectExecutable, {}); });
    EXPECT_EQ(run(mac::kXProtectExecutable, {}).status, 0);
    EXPECT_EQ(first.get().status, 0);
    EXPECT_EQ(newEvents(), (std::pair{46, std::size_t{23}}));

    root.setControl("xprotect.status", "3");
    EXPECT_EQ(run(mac::kXProtectExecutable, {}).status, 3);
}

TEST(SimRoot, ACopyServesItselfUnlessAnotherRootIsNamed) {
    const TempSimRoot copy;
    copy.setControl("log.status", "3");
    const std::string builtLog = builtSimRoot() + std::string(mac::kLogTool);
    {
        const ScopedEnvironment emptyCountsAsUnset(platform::kPlatformRootVariable, "");
        EXPECT_EQ(platform::runCommand(copy.pathOf(mac::kLogTool), kRecentText).status, 3);
        EXPECT_EQ(platform::runCommand(builtLog, kRecentText).status, 0);
    }
    const ScopedEnvironment named(platform::kPlatformRootVariable, copy.path());
    EXPECT_EQ(platform::runCommand(builtLog, kRecentText).status, 3);
}

} // namespace
} // namespace scanbrook::test
