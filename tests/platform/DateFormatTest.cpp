#include "platform/DateFormat.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>

namespace scanbrook::platform {
namespace {

using namespace std::chrono;

constexpr std::string_view kPosix = "en_US_POSIX";
constexpr std::string_view kLogPattern = "yyyy-MM-dd HH:mm:ss.SSSSSSZZZ";
const TimePoint kMarch5 = sys_days{2024y / March / 5} + 9h + 41min + 7s;

TEST(FormatDate, WritesThePatternInTheGivenZone) {
    constexpr std::string_view pattern = "yyyy-MM-dd'T'HH_mm_ssZZZZZ";
    EXPECT_EQ(formatDate(kMarch5, pattern, kPosix, "GMT"), "2024-03-05T09_41_07Z");
    EXPECT_EQ(formatDate(kMarch5, pattern, kPosix, "Asia/Kolkata"), "2024-03-05T15_11_07+05:30");
    EXPECT_EQ(formatDate(kMarch5, pattern, kPosix, "America/New_York"),
              "2024-03-05T04_41_07-05:00");
}

TEST(FormatDate, LogTimestampForm) {
    EXPECT_EQ(formatDate(kMarch5 + 123456us, kLogPattern, kPosix, "Europe/Paris"),
              "2024-03-05 10:41:07.123000+0100");
}

TEST(FormatDate, TwentyFourHourClockInThePosixLocale) {
    EXPECT_EQ(formatDate(sys_days{2021y / April / 7} + 18h + 22min + 6s, "yyyy-MM-dd HH:mm:ss",
                         kPosix, "GMT"),
              "2021-04-07 18:22:06");
}

TEST(ParseDate, ReadsTheLogTimestampWithItsOwnOffset) {
    const std::optional<TimePoint> parsed =
        parseDate("2024-03-05 10:41:07.123456+0100", kLogPattern, kPosix, "");
    ASSERT_TRUE(parsed.has_value());
    // The platform's dates keep milliseconds of a parsed text.
    EXPECT_GE(*parsed, kMarch5 + 123ms);
    EXPECT_LT(*parsed, kMarch5 + 124ms);
}

TEST(ParseDate, RoundTripsInANamedZone) {
    constexpr std::string_view pattern = "yyyy-MM-dd HH:mm:ss";
    const std::optional<TimePoint> parsed =
        parseDate("2021-04-07 18:22:06", pattern, kPosix, "Europe/Paris");
    ASSERT_TRUE(parsed.has_value());
    EXPECT_EQ(*parsed, sys_days{2021y / April / 7} + 16h + 22min + 6s);
    EXPECT_EQ(formatDate(*parsed, pattern, kPosix, "Europe/Paris"), "2021-04-07 18:22:06");
}

struct RejectCase {
    const char* name;
    const char* text;
};

class StrictParse : public ::testing::TestWithParam<RejectCase> {};

TEST_P(StrictParse, RejectsTextThatDoesNotMatchWhole) {
    EXPECT_EQ(parseDate(GetParam().text, kLogPattern, kPosix, ""), std::nullopt);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, StrictParse,
    ::testing::Values(RejectCase{"Empty", ""},
                      RejectCase{"TrailingCharacter", "2024-03-05 10:41:07.123456+0100x"},
                      RejectCase{"TrailingSpace", "2024-03-05 10:41:07.123456+0100 "},
                      RejectCase{"NoOffset", "2024-03-05 10:41:07.123456"},
                      RejectCase{"NoFraction", "2024-03-05 10:41:07+0100"},
                      RejectCase{"OnlyTheDate", "2024-03-05"},
                      RejectCase{"MonthThirteen", "2024-13-05 10:41:07.123456+0100"},
                      RejectCase{"FebruaryThirtieth", "2024-02-30 10:41:07.123456+0100"},
                      RejectCase{"HourTwentyFive", "2024-03-05 25:41:07.123456+0100"},
                      RejectCase{"TwelveHourText", "2024-03-05 10:41:07.123456 PM+0100"},
                      RejectCase{"SlashesForDashes", "2024/03/05 10:41:07.123456+0100"},
                      RejectCase{"TForSpace", "2024-03-05T10:41:07.123456+0100"},
                      RejectCase{"BeyondATimePoint", "1500-03-05 10:41:07.123456+0100"},
                      RejectCase{"InvalidUtf8", "2024-03-05 10:41:07.123456+0100\xC3"}),
    [](const ::testing::TestParamInfo<RejectCase>& tested) {
        return std::string(tested.param.name);
    });

TEST(ReferenceDate, SecondsSinceTheFirstOf2001) {
    const TimePoint reference = sys_days{2001y / January / 1} + 0s;
    EXPECT_EQ(secondsSinceReferenceDate(reference), 0.0);
    EXPECT_EQ(secondsSinceReferenceDate(reference + 24h + 500ms), 86400.5);
    EXPECT_EQ(secondsSinceReferenceDate(reference - 1s), -1.0);
    EXPECT_EQ(secondsSinceReferenceDate(kMarch5), 731324467.0);
}

} // namespace
} // namespace scanbrook::platform
