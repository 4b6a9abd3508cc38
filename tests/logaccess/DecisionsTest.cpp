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

struct TextCase {
    const char* name;
    std::string text;
    bool expected;
};

std::string caseName(const ::testing::TestParamInfo<TextCase>& param) {
    return param.param.name;
}

class GroupList : public ::testing::TestWithParam<TextCase> {};

TEST_P(GroupList, NamesGroup80AsAWholePiece) {
    EXPECT_EQ(deDysfunction::groupListHasAdmin(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, GroupList,
    ::testing::Values(TextCase{"AdminAmongMany", "20 12 61 79 80 81 98 701\n", true},
                      TextCase{"AdminFirst", "80 20 12\n", true},
                      TextCase{"AdminLastBeforeLineFeed", "20 12 80\n", true},
                      TextCase{"AdminAloneWithoutLineFeed", "80", true},
                      TextCase{"TwoSpacesBeforeAdmin", "20  80 12\n", true},
                      TextCase{"OnlyLookalikes", "20 180 800 8 08\n", false},
                      TextCase{"OnlyOneLineFeedIsDropped", "20 80\n\n", false},
                      TextCase{"TabIsNoSeparator", "20\t80\n", false}, TextCase{"Empty", "", false},
                      TextCase{"LineFeedOnly", "\n", false},
                      TextCase{"InvalidUtf8", "20 \xff 80\n", false}),
    caseName);

class LogEntriesOutput : public ::testing::TestWithParam<TextCase> {};

TEST_P(LogEntriesOutput, NeedsALineFeed) {
    EXPECT_EQ(deDysfunction::logOutputHasEntries(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, LogEntriesOutput,
    ::testing::Values(TextCase{"SingleLineFeed", "\n", true},
                      TextCase{"HeaderAndEntry", "Timestamp  Thread  Type\n2024-03-05 x\n", true},
                      TextCase{"NoLineFeed", "Timestamp  Thread  Type", false},
                      TextCase{"Empty", "", false}, TextCase{"InvalidUtf8", "\xc3\x28\n", false}),
    caseName);

class Timestamp : public ::testing::TestWithParam<TextCase> {};

TEST_P(Timestamp, HasTheExactForm) {
    EXPECT_EQ(deDysfunction::timestampUsable(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, Timestamp,
    ::testing::Values(TextCase{"PositiveOffset", "2024-03-05 09:41:07.123456+0100", true},
                      TextCase{"NegativeOffset", "2024-12-31 23:59:59.999999-0800", true},
                      TextCase{"Thirty", "2024-03-05 09:41:07.12345+0100", false},
                      TextCase{"ThirtyTwoWithColon", "2024-03-05 09:41:07.123456+01:00", false},
                      TextCase{"ThirtyTwoDigits", "2024-03-05 09:41:07.1234567+0100", false},
                      TextCase{"ZuluZone", "2024-03-05 09:41:07.1234567890Z", false},
                      TextCase{"GmtZone", "2024-03-05 09:41:07.123456GMT+1", false},
                      TextCase{"OneDigitHour", "2024-03-05 9:41:07.1234567+0100", false},
                      TextCase{"LetterT", "2024-03-05T09:41:07.123456+0100", false},
                      TextCase{"Month13", "2024-13-05 09:41:07.123456+0100", false},
                      TextCase{"Hour25", "2024-03-05 25:41:07.123456+0100", false},
                      TextCase{"Empty", "", false}),
    caseName);

class TimeFormatOutput : public ::testing::TestWithParam<TextCase> {};

TEST_P(TimeFormatOutput, OneUsableTimestampAmongTheFirstTenIsEnough) {
    EXPECT_EQ(deDysfunction::logTimestampsUsable(testing::paddedOutput(GetParam().text)),
              GetParam().expected);
}

std::string entries(int count, int usableAt) {
    std::string json = "[";
    for (int i = 0; i < count; ++i) {
        json += i ? "," : "";
        json += i == usableAt ? R"({"timestamp":"2024-03-05 09:41:07.123456+0100"})"
                              : R"({"timestamp":"2024-03-05 09:41:07+0100"})";
    }
    return json + "]";
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, TimeFormatOutput,
    ::testing::Values(
        TextCase{"NumberMissingThenUsable",
                 R"([1, {"eventMessage":"x"}, {"timestamp":"2024-03-05 09:41:07.123456+0100"}])",
                 true},
        TextCase{"UsableFirstOthersBad", entries(10, 0), true},
        TextCase{"UsableTenth", entries(12, 9), true},
        TextCase{"UsableEleventhOnly", entries(12, 10), false},
        TextCase{"NoneUsable", entries(3, -1), false},
        TextCase{"TimestampNotText", R"([{"timestamp":20240305}])", false},
        TextCase{"EmptyArray", "[]", false},
        TextCase{"TopLevelObject", R"({"timestamp":"2024-03-05 09:41:07.123456+0100"})", false},
        TextCase{"NotJson", "Filtering the log data", false},
        TextCase{"BrokenAfterTheArray", R"([{"timestamp":"2024-03-05 09:41:07.123456+0100"}] x)",
                 false},
        TextCase{"Empty", "", false}),
    caseName);

TEST(SampleRendering, IsTwentyFourHourInThisZone) {
    // The sample is formatted with a fixed 24-hour pattern, so no day-period letters appear
    // here; on a Mac a user's 12-hour setting could force them in.
    EXPECT_TRUE(deDysfunction::rendersTwentyFourHour());
}

} // namespace
} // namespace scanbrook
