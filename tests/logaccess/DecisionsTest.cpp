#include "logaccess/deDysfunction.h"

#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <string>

namespace scanbrook {
namespace {

TEST(SetClockScript, IsTheFiveLineScriptExactly) {
    const deDysfunction checks;
    EXPECT_EQ(checks.setClockScript.size(), 173U);
    EXPECT_EQ(checks.setClockScript,
              "tell application \"System Preferences\"\nactivate\nset the current pane to pane "
              "id \"com.apple.Localization\"\nreveal anchor \"Language\" of pane id "
              "\"com.apple.Localization\"\nend tell");
}

/// One decision a check takes on a tool's output.
struct DecisionCase {
    const char* name;
    bool (*decide)(std::string_view);
    std::string text;
    bool expected;
};

class Decision : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(Decision, IsTakenOnTheWholeText) {
    // Output as the command run hands it over, with spare bytes after it for the JSON reader.
    const std::string output = testing::paddedOutput(GetParam().text);
    EXPECT_EQ(GetParam().decide(output), GetParam().expected);
}

constexpr auto kGroups = &deDysfunction::groupListHasAdmin;
constexpr auto kEntries = &deDysfunction::logOutputHasEntries;
constexpr auto kTimestamp = &deDysfunction::timestampUsable;
constexpr auto kTimestamps = &deDysfunction::logTimestampsUsable;

INSTANTIATE_TEST_SUITE_P(
    Outputs, Decision,
    ::testing::Values(
        // The sim's id tool ends its output with one line feed, as the real one does: what more
        // or less of it, or other separators, do.
        DecisionCase{"AdminWithoutLineFeed", kGroups, "80", true},
        DecisionCase{"TwoSpacesBeforeAdmin", kGroups, "20  80 12\n", true},
        DecisionCase{"OnlyOneLineFeedIsDropped", kGroups, "20 80\n\n", false},
        DecisionCase{"TabIsNoSeparator", kGroups, "20\t80\n", false},
        DecisionCase{"NoGroups", kGroups, "", false},
        DecisionCase{"GroupsNotUtf8", kGroups, "20 \xff 80\n", false},
        DecisionCase{"NoOutput", kEntries, "", false},
        DecisionCase{"EntriesNotUtf8", kEntries, "\xc3\x28\n", false},
        DecisionCase{"ThirtyOne", kTimestamp, "2024-03-05 09:41:07.123456+0100", true},
        DecisionCase{"ThirtyOneNegative", kTimestamp, "2024-12-31 23:59:59.999999-0800", true},
        DecisionCase{"Thirty", kTimestamp, "2024-03-05 09:41:07.12345+0100", false},
        DecisionCase{"ThirtyTwoWithColon", kTimestamp, "2024-03-05 09:41:07.123456+01:00", false},
        DecisionCase{"ThirtyTwoDigits", kTimestamp, "2024-03-05 09:41:07.1234567+0100", false},
        // What ICU alone would accept: other zones and a one-digit hour of the same length.
        DecisionCase{"ZuluZone", kTimestamp, "2024-03-05 09:41:07.1234567890Z", false},
        DecisionCase{"GmtZone", kTimestamp, "2024-03-05 09:41:07.123456GMT+1", false},
        DecisionCase{"OneDigitHour", kTimestamp, "2024-03-05 9:41:07.1234567+0100", false},
        DecisionCase{"Month13", kTimestamp, "2024-13-05 09:41:07.123456+0100", false},
        DecisionCase{"Hour25", kTimestamp, "2024-03-05 25:41:07.123456+0100", false},
        DecisionCase{
            "NonObjectsThenUsable", kTimestamps,
            R"([1, {"eventMessage":"x"}, {"timestamp":"2024-03-05 09:41:07.123456+0100"}])", true},
        DecisionCase{"TimestampNotText", kTimestamps, R"([{"timestamp":20240305}])", false},
        DecisionCase{"NotJson", kTimestamps, "Filtering the log data", false},
        DecisionCase{"BrokenAfterTheArray", kTimestamps,
                     R"([{"timestamp":"2024-03-05 09:41:07.123456+0100"}] x)", false}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace scanbrook
