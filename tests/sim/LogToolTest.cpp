#include "SimTestSupport.h"

#include "reports/LogCommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <ostream>
#include <set>
#include <string>
#include <vector>

namespace scanbrook::test {
namespace {

using Ending = platform::CommandResult::Ending;

bool hasAnyMarker(std::string_view message) {
    return message.find("NoThreatDetected") != std::string_view::npos ||
           message.find("status_code\":20") != std::string_view::npos ||
           message.find("status_code\":0,") != std::string_view::npos;
}

bool hasNonAscii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

class SimLogQuery : public SimToolTest, public ::testing::WithParamInterface<int> {};

TEST_P(SimLogQuery, PrintsTheScanEventsOfTheLastNDaysOldestFirst) {
    const int days = GetParam();
    const auto before = systemMicros();
    const auto result = runLog(checkQuery(days));
    const auto after = systemMicros();

    ASSERT_EQ(result.ending, Ending::Exited);
    ASSERT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.starts_with("[{\n  \"")) << result.output.substr(0, 40);
    EXPECT_NE(result.output.find("\"senderImagePath\" : \"\\/Library\\/Apple\\/System"),
              std::string::npos)
        << "\"/\" is written as \"\\/\"";
    const auto entries = parseEntries(result.output);
    ASSERT_TRUE(entries.has_value()) << "not a JSON array of objects";
    // Three or four runs a day through 23 scanners.
    EXPECT_GE(entries->size(), static_cast<std::size_t>(days) * 2 * 23);

    std::int64_t previous = 0;
    for (const auto& entry : *entries) {
        SCOPED_TRACE(entry.timestamp + " " + entry.eventMessage);
        EXPECT_EQ(entry.memberCount, 22u);
        EXPECT_EQ(entry.subsystem, "com.apple.XProtectFramework.PluginAPI");
        EXPECT_EQ(entry.category, "XPEvent.structured");
        EXPECT_TRUE(entry.senderImagePath.starts_with(std::string(kResourcesFolder) +
                                                      "XProtectRemediator"));
        EXPECT_TRUE(entry.eventMessage.starts_with("{\"caller\":"));
        const auto micros = timestampMicros(entry.timestamp);
        ASSERT_TRUE(micros.has_value()) << "timestamp of another shape";
        EXPECT_GT(*micros, before - days * kMicrosPerDay);
        EXPECT_LE(*micros, after);
        EXPECT_GE(*micros, previous);
        previous = *micros;
    }
}

INSTANTIATE_TEST_SUITE_P(Periods, SimLogQuery, ::testing::Values(1, 7, 30));

TEST_F(SimToolTest, AMonthOfHistoryShowsEveryScannerAndEveryKindOfOutcome) {
    const auto result = runLog(checkQuery(30));
    ASSERT_EQ(result.status, 0);
    const auto entries = parseEntries(result.output);
    ASSERT_TRUE(entries.has_value());

    std::set<std::string> senders;
    int clean = 0;
    int code20 = 0;
    int warnings = 0;
    int nonAscii = 0;
    int quoted = 0;
    for (const auto& entry : *entries) {
        senders.insert(entry.senderImagePath.substr(entry.senderImagePath.rfind('/') + 1));
        clean += entry.eventMessage.find("NoThreatDetected") != std::string::npos ? 1 : 0;
        code20 += entry.eventMessage.find("\"status_code\":20,") != std::string::npos ? 1 : 0;
        warnings += hasAnyMarker(entry.eventMessage) ? 0 : 1;
        nonAscii += hasNonAscii(entry.eventMessage) ? 1 : 0;
        quoted += entry.eventMessage.find("\\\"") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(senders.size(), 23u);
    EXPECT_GT(clean, static_cast<int>(entries->size()) * 9 / 10) << "mostly clean scans";
    EXPECT_GE(code20, 1);
    EXPECT_GE(warnings, 1);
    EXPECT_LT(warnings, static_cast<int>(entries->size()) / 20) << "warnings are rare";
    EXPECT_GE(nonAscii, 1);
    EXPECT_GE(quoted, 1) << "a message holding an escaped quote";
}

TEST_F(SimToolTest, AFixedClockGivesTheSameHistoryEveryTime) {
    root.setControl("now", std::to_string(kFixedNowSeconds));
    const auto first = runLog(checkQuery(2));
    const auto second = runLog(checkQuery(2));
    ASSERT_EQ(first.status, 0);
    EXPECT_EQ(first.output, second.output);
    const auto entries = parseEntries(first.output);
    ASSERT_TRUE(entries.has_value());
    ASSERT_FALSE(entries->empty());
    EXPECT_LE(*timestampMicros(entries->back().timestamp), kFixedNowSeconds * 1000000);
    EXPECT_GT(*timestampMicros(entries->front().timestamp),
              kFixedNowSeconds * 1000000 - 2 * kMicrosPerDay);
}

struct ZoneCase {
    const char* tz;
    const char* offset;
};

void PrintTo(const ZoneCase& zone, std::ostream* out) {
    *out << "TZ=" << zone.tz;
}

class SimLogZone : public SimToolTest, public ::testing::WithParamInterface<ZoneCase> {};

TEST_P(SimLogZone, TimestampsCarryTheLocalOffset) {
    const ScopedEnvironment zone("TZ", std::string(GetParam().tz));
    const auto before = systemMicros();
    for (const auto& arguments :
         {checkQuery(1), std::vector<std::string>{"show", "--style", "json", "--last", "2"}}) {
        const auto result = runLog(arguments);
        ASSERT_EQ(result.status, 0);
        const auto entries = parseEntries(result.output);
        ASSERT_TRUE(entries.has_value());
        ASSERT_FALSE(entries->empty());
        for (const auto& entry : *entries) {
            ASSERT_EQ(entry.timestamp.size(), 31u);
            EXPECT_EQ(entry.timestamp.substr(26), GetParam().offset) << entry.timestamp;
            // The local clock text and its offset together give the true moment.
            EXPECT_GT(*timestampMicros(entry.timestamp), before - kMicrosPerDay);
            EXPECT_LE(*timestampMicros(entry.timestamp), systemMicros());
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, SimLogZone,
                         ::testing::Values(ZoneCase{"UTC", "+0000"},
                                           ZoneCase{"<+0530>-5:30", "+0530"},
                                           ZoneCase{"<-03>3", "-0300"}));

TEST_F(SimToolTest, RecentEntriesAsJsonHaveValidTimestamps) {
    const auto before = systemMicros();
    const auto result = runLog({"show", "--style", "json", "--last", "2"});
    ASSERT_EQ(result.status, 0);
    const auto entries = parseEntries(result.output);
    ASSERT_TRUE(entries.has_value());
    ASSERT_FALSE(entries->empty());
    for (const auto& entry : *entries) {
        const auto micros = timestampMicros(entry.timestamp);
        ASSERT_TRUE(micros.has_value()) << entry.timestamp;
        EXPECT_GT(*micros, before - 2000000);
        EXPECT_LE(*micros, systemMicros());
    }
}

TEST_F(SimToolTest, RecentEntriesAsTextHaveAHeaderAndEntryLines) {
    // A store that has aged (nothing recent in it) changes nothing.
    root.removeFile("/sim/store/events.tsv");
    const auto result = runLog({"show", "--last", "2"});
    ASSERT_EQ(result.ending, Ending::Exited);
    ASSERT_EQ(result.status, 0);
    EXPECT_TRUE(result.output.starts_with("Timestamp "));
    EXPECT_GE(std::count(result.output.begin(), result.output.end(), '\n'), 2);
}

struct ArgumentsCase {
    const char* label;
    std::vector<std::string> arguments;
};

void PrintTo(const ArgumentsCase& arguments, std::ostream* out) {
    *out << arguments.label;
}

class SimLogArguments : public SimToolTest, public ::testing::WithParamInterface<ArgumentsCase> {};

TEST_P(SimLogArguments, OtherArgumentListsAreRefused) {
    const auto result = runLog(GetParam().arguments);
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 64);
    EXPECT_EQ(result.output, "");
}

ArgumentsCase queryWith(const char* label, std::size_t index, std::string value) {
    auto arguments = checkQuery(7);
    arguments[index] = std::move(value);
    return {label, arguments};
}

INSTANTIATE_TEST_SUITE_P(
    Lists, SimLogArguments,
    ::testing::Values(ArgumentsCase{"none", {}}, ArgumentsCase{"show alone", {"show"}},
                      ArgumentsCase{"stream", {"stream"}},
                      ArgumentsCase{"last 2d", {"show", "--last", "2d"}},
                      ArgumentsCase{"last 2 info", {"show", "--last", "2", "--info"}},
                      ArgumentsCase{"swapped", {"show", "--last", "json", "--style", "2"}},
                      queryWith("query 0d", 7, "0d"), queryWith("query 31d", 7, "31d"),
                      queryWith("query 07d", 7, "07d"), queryWith("query 7", 7, "7"),
                      queryWith("query 7h", 7, "7h"), queryWith("query -7d", 7, "-7d"),
                      queryWith("query other predicate", 2,
                                "subsystem == com.apple.XProtectFramework.PluginAPI"),
                      queryWith("query debug", 6, "--debug")));

TEST_F(SimToolTest, StatusControlKeepsTheOutputAndSetsTheExitStatus) {
    root.setControl("log.status", "3\n");
    const auto result = runLog(checkQuery(1));
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 3);
    const auto entries = parseEntries(result.output);
    ASSERT_TRUE(entries.has_value());
    EXPECT_FALSE(entries->empty());
}

TEST_F(SimToolTest, OutputControlIsPrintedByteForByte) {
    const std::string bytes("not json \xff\x00 [", 13);
    root.setControl("log.output", bytes);
    const auto result = runLog(checkQuery(3));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, bytes);
}

TEST_F(SimToolTest, KillAfterEndsTheToolWithSigkillAfterThatManyBytes) {
    root.setControl("log.kill-after", "1000");
    const auto result = runLog(checkQuery(30));
    EXPECT_EQ(result.ending, Ending::Signalled);
    EXPECT_EQ(result.status, SIGKILL);
    EXPECT_EQ(result.output.size(), 1000u);
    EXPECT_TRUE(result.output.starts_with("[{\n"));
}

TEST_F(SimToolTest, HugeOutputIsOneValidArray) {
    root.setControl("log.huge", "6");
    const auto result = runLog(checkQuery(30));
    ASSERT_EQ(result.status, 0);
    EXPECT_GE(result.output.size(), 6u * 1024 * 1024);
    const auto entries = parseEntries(result.output);
    ASSERT_TRUE(entries.has_value());
    for (const auto& entry : *entries) {
        ASSERT_TRUE(timestampMicros(entry.timestamp).has_value()) << entry.timestamp;
    }
}

/// Controls that change when or how the answer arrives, but not the answer.
struct TimingCase {
    const char* control;
    const char* value;
};

void PrintTo(const TimingCase& timing, std::ostream* out) {
    *out << timing.control << "=" << timing.value;
}

class SimLogTiming : public SimToolTest, public ::testing::WithParamInterface<TimingCase> {};

TEST_P(SimLogTiming, TheAnswerIsStillComplete) {
    root.setControl(GetParam().control, GetParam().value);
    const auto result = runLog(checkQuery(2));
    EXPECT_EQ(result.ending, Ending::Exited);
    EXPECT_EQ(result.status, 0);
    const auto entries = parseEntries(result.output);
    ASSERT_TRUE(entries.has_value());
    EXPECT_FALSE(entries->empty());
}

INSTANTIATE_TEST_SUITE_P(Controls, SimLogTiming,
                         ::testing::Values(TimingCase{"log.delay", "0.05"},
                                           TimingCase{"log.delay", "random:1-30"},
                                           TimingCase{"log.close-stdout-and-linger", "0.2"}));

TEST_F(SimToolTest, ARequestSpecificControlWinsOverTheGeneralOne) {
    root.setControl("log.status", "2");
    root.setControl("log.json.status", "0");
    root.setControl("log.json.output", "[]");

    const auto json = runLog({"show", "--style", "json", "--last", "2"});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(json.output, "[]");

    const auto text = runLog({"show", "--last", "2"});
    EXPECT_EQ(text.status, 2);
    EXPECT_TRUE(text.output.starts_with("Timestamp "));
}

TEST_F(SimToolTest, AnUnreadableControlValueFailsLoudly) {
    root.setControl("log.status", "three");
    const auto result = runLog(checkQuery(1));
    EXPECT_EQ(result.status, 70);
    EXPECT_EQ(result.output, "");
}

TEST(SimLogPredicate, IsTheOneTheCheckSends) {
    // The stand-in accepts exactly one predicate; a copy that drifted from the check's would
    // make every check fail with status 64.
    const auto result =
        platform::runCommand(builtSimRoot() + std::string(mac::kLogTool), checkQuery(1));
    EXPECT_EQ(result.status, 0);
}

} // namespace
} // namespace scanbrook::test
