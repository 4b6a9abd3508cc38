#include "reports/CheckReport.h"

#include "reports/ReportTexts.h"
#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <string>
#include <string_view>

namespace scanbrook::reports {
namespace {

/// Names the instances of a table after its cases.
struct CaseName {
    template <class Case>
    std::string operator()(const ::testing::TestParamInfo<Case>& tested) const {
        return tested.param.name;
    }
};

using testing::exitedWith;
using testing::killedBySignal;
using testing::notStarted;

const std::string kWarning = "\xE2\x9A\xA0\xEF\xB8\x8F";
const std::string kHeader7 = "XProtect Remediator scans completed in the last 7 days:\n\n";

/// The line of an entry that has only a sender path.
std::string senderLine(std::string_view path) {
    platform::LogEntry entry;
    entry.isObject = true;
    entry.senderImagePath = path;
    std::string line;
    appendReportLine(line, entry);
    return line;
}

struct SenderCase {
    const char* name;
    std::string path;
    std::string shown; // what stands between the two leading spaces and the line feed
};

class SenderName : public ::testing::TestWithParam<SenderCase> {};

TEST_P(SenderName, IsTheLastPathPieceCutToItsColumn) {
    EXPECT_EQ(senderLine(GetParam().path), "  " + GetParam().shown + "\n");
}

// "XProtectRemediator" is 18 characters: the part that long names lose.
const std::string kPrefix = "XProtectRemediator";
const std::string kEAcute = "e\xCC\x81";                                   // e + U+0301
const std::string kCoder = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB"; // woman, ZWJ, laptop
const std::string kFlag = "\xF0\x9F\x87\xAB\xF0\x9F\x87\xB7";              // regional F, R

std::string repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) {
        text += piece;
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SenderName,
    ::testing::Values(
        SenderCase{"TwentyTwoShownWhole", "/a/b/ABCDEFGHIJKLMNOPQRSTUV", "ABCDEFGHIJKLMNOPQRSTUV"},
        SenderCase{"TwentyThreeKeepsLastFivePaddedToFourteen", "/x/" + kPrefix + "Pirri",
                   "Pirri         "},
        SenderCase{"TwentyFourKeepsLastSix", "/x/" + kPrefix + "Sample", "Sample        "},
        SenderCase{"ThirtyTwoFillsTheColumnExactly", "/x/" + kPrefix + "ABCDEFGHIJKLMN",
                   "ABCDEFGHIJKLMN"},
        SenderCase{"FortyShowsCharactersNineteenToThirtyTwo",
                   "/x/ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn", "STUVWXYZabcdef"},
        SenderCase{"ShortNameNotPadded", "/usr/libexec/Foo", "Foo"},
        SenderCase{"NoSlashIsItsOwnName", "XProtectRemediatorKeySteal", "KeySteal      "},
        SenderCase{"PathEndingInSlashGivesEmptyName", "/Library/Apple/", ""},
        SenderCase{"EmptyPath", "", ""}, SenderCase{"DoubleSlashAtEnd", "/a//", ""}),
    CaseName());

INSTANTIATE_TEST_SUITE_P(
    UserPerceivedCharacters, SenderName,
    ::testing::Values(
        // 22 characters but 44 bytes: not cut.
        SenderCase{"TwentyTwoCombiningAccents", "/x/" + repeated(kEAcute, 22),
                   repeated(kEAcute, 22)},
        SenderCase{"TwentyThreeCombiningAccents", "/x/" + repeated(kEAcute, 23),
                   repeated(kEAcute, 5) + std::string(9, ' ')},
        SenderCase{"AccentOnTheLastShownLetterStays",
                   "/x/" + kPrefix + "ABCDEFGHIJKLM" + kEAcute + "XYZ", "ABCDEFGHIJKLM" + kEAcute},
        SenderCase{"ZwjSequenceIsOneCharacter", "/x/" + kPrefix + "ab" + kCoder,
                   kPrefix + "ab" + kCoder},
        SenderCase{"ZwjSequenceAsTwentyThirdCharacter", "/x/" + kPrefix + "abcd" + kCoder,
                   "abcd" + kCoder + std::string(9, ' ')},
        SenderCase{"ZwjSequenceDroppedWhole",
                   "/x/" + std::string(17, 'p') + kCoder + "abcdefghijklmnopq", "abcdefghijklmn"},
        SenderCase{"ZwjSequenceFirstShown",
                   "/x/" + std::string(18, 'p') + kCoder + "abcdefghijklmnop",
                   kCoder + "abcdefghijklm"},
        SenderCase{"FlagsAreOneCharacterEach", "/x/" + kPrefix + repeated(kFlag, 6),
                   repeated(kFlag, 6) + std::string(8, ' ')},
        SenderCase{"CrLfIsOneCharacter", "/x/" + std::string(21, 'a') + "\r\n",
                   std::string(21, 'a') + "\r\n"},
        SenderCase{"ThreeByteLettersNotSplit", "/x/" + repeated("\xE6\x97\xA5", 30),
                   repeated("\xE6\x97\xA5", 12) + "  "}),
    CaseName());

struct MarkerCase {
    const char* name;
    std::string message; // unescaped
    bool warning;
};

class OutcomeMarker : public ::testing::TestWithParam<MarkerCase> {};

TEST_P(OutcomeMarker, PrecedesTheWholeMessage) {
    platform::LogEntry entry;
    entry.isObject = true;
    entry.eventMessage = GetParam().message;
    std::string line;
    EXPECT_EQ(appendReportLine(line, entry), GetParam().warning);
    EXPECT_EQ(line, "  " + (GetParam().warning ? kWarning : std::string("  ")) +
                        GetParam().message + "\n");
}

INSTANTIATE_TEST_SUITE_P(
    Markers, OutcomeMarker,
    ::testing::Values(
        MarkerCase{"NoThreatDetected", R"({"status_code":3,"result":"NoThreatDetected"})", false},
        MarkerCase{"StatusZeroComma", R"({"status_code":0,"plugin":"Pirrit"})", false},
        MarkerCase{"StatusTwenty", R"({"status_code":20})", false},
        MarkerCase{"StatusTwoHundredOne", R"({"status_code":201})", false},
        MarkerCase{"StatusZeroBrace", R"({"plugin":"Pirrit","status_code":0})", true},
        MarkerCase{"StatusOne", R"({"status_code":1,"plugin":"Pirrit"})", true},
        MarkerCase{"StatusTwo", R"({"status_code":2,"plugin":"Pirrit"})", true},
        MarkerCase{"SpaceAfterColon", R"({"status_code": 0,"x":1})", true},
        MarkerCase{"CaseMatters", R"({"Status_code":0,"result":"nothreatdetected"})", true},
        MarkerCase{"LaterStatusMemberCounts",
                   R"({"status_code":1,"inner":{"status_code":0,"a":1}})", false},
        MarkerCase{"KeyAtTheVeryEnd", R"(x "status_code":)", true},
        MarkerCase{"ZeroAtTheVeryEnd", R"(x "status_code":0)", true},
        MarkerCase{"UnquotedKeyIsNoMarker", R"(status_code:0,)", true},
        MarkerCase{"Empty", "", true},
        MarkerCase{"SignInTextIsNotAWarning", "\xE2\x9A\xA0\xEF\xB8\x8F NoThreatDetected", false}),
    CaseName());

TEST(ReportLine, MissingMembersLeaveTheirPartsEmpty) {
    platform::LogEntry entry;
    entry.isObject = true;
    std::string line;
    EXPECT_FALSE(appendReportLine(line, entry));
    EXPECT_EQ(line, "  \n");
}

TEST(ReportLine, NonObjectAppendsNothing) {
    std::string line = "kept";
    EXPECT_FALSE(appendReportLine(line, platform::LogEntry{}));
    EXPECT_EQ(line, "kept");
}

struct TimestampCase {
    const char* name;
    std::string timestamp;
    std::string shown;
};

class TimestampPart : public ::testing::TestWithParam<TimestampCase> {};

TEST_P(TimestampPart, IsTheFirstTwentyThreeCharacters) {
    platform::LogEntry entry;
    entry.isObject = true;
    entry.timestamp = GetParam().timestamp;
    std::string line;
    appendReportLine(line, entry);
    EXPECT_EQ(line, GetParam().shown + "  \n");
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, TimestampPart,
    ::testing::Values(
        TimestampCase{"LogForm", "2024-03-05 09:41:07.123456+0100", "2024-03-05 09:41:07.123"},
        TimestampCase{"ExactlyTwentyThree", "2024-03-05 09:41:07.123", "2024-03-05 09:41:07.123"},
        TimestampCase{"ShorterTakenWhole", "2024-03-05", "2024-03-05"},
        TimestampCase{"Empty", "", ""},
        // Full-width digits: three bytes each; 23 characters are 69 bytes.
        TimestampCase{"NonAscii", repeated("\xEF\xBC\x91", 31), repeated("\xEF\xBC\x91", 23)},
        TimestampCase{"AccentJoinsTheTwentyThird", "2024-03-05 09:41:07.12" + kEAcute + "456",
                      "2024-03-05 09:41:07.12" + kEAcute}),
    CaseName());

/// The report for the log tool's `output` with status 0 and a period of 7 days.
std::string reportFor(std::string_view output, CheckSummary* summary = nullptr) {
    std::string report = kHeader7;
    const CheckSummary result = buildCheckReport(report, checkTexts(7), exitedWith(0, output));
    if (summary != nullptr) {
        *summary = result;
    }
    return report;
}

TEST(CheckReport, OneLinePerEntryInArrayOrder) {
    const std::string output = R"([
 {"timestamp":"2024-03-05 09:41:07.123456+0100","processImagePath":"\/Library\/Apple\/x",
  "senderImagePath":"\/Library\/Apple\/System\/Library\/CoreServices\/XProtect.app\/Contents\/MacOS\/XProtectRemediatorSample",
  "subsystem":"com.apple.XProtectFramework.PluginAPI","eventMessage":"{\"status_code\":0,\"caller\":\"\\\/x\"} NoThreatDetected"},
 {"eventMessage":"{\"status_code\":1}","senderImagePath":"\/usr\/libexec\/Short","timestamp":"2024-03-04 01:02:03.000001-0800"},
 {"timestamp":"2024-03-03 23:59:59.999999+0000","senderImagePath":"XProtectRemediatorBadGacha","eventMessage":"Caf\u00e9 \ud83d\ude00 status_code\":20"}
])";
    CheckSummary summary;
    EXPECT_EQ(reportFor(output, &summary),
              kHeader7 +
                  "2024-03-05 09:41:07.123  Sample          "
                  "{\"status_code\":0,\"caller\":\"\\/x\"} NoThreatDetected\n"
                  "2024-03-04 01:02:03.000  Short" +
                  kWarning + "{\"status_code\":1}\n" +
                  "2024-03-03 23:59:59.999  BadGacha        Caf\xC3\xA9 \xF0\x9F\x98\x80 "
                  "status_code\":20\n");
    EXPECT_EQ(summary.outcome, CheckOutcome::Lines);
    EXPECT_EQ(summary.lines, 3U);
    EXPECT_TRUE(summary.anyWarning);
}

TEST(CheckReport, MarkersAreFoundInTheUnescapedMessage) {
    // \u0022 is the double quote: the marker is only there once the string is unescaped.
    CheckSummary summary;
    EXPECT_EQ(reportFor(R"([{"eventMessage":"{\u0022status_code\u0022:0,}"}])", &summary),
              kHeader7 + "    {\"status_code\":0,}\n");
    EXPECT_FALSE(summary.anyWarning);
}

TEST(CheckReport, AnyWarningOnlyFromMarkers) {
    CheckSummary summary;
    // A line without a message gets no marker at all, so no warning either.
    reportFor(R"([{"timestamp":"t"},{"eventMessage":"\u26a0\ufe0f NoThreatDetected"}])", &summary);
    EXPECT_EQ(summary.lines, 2U);
    EXPECT_FALSE(summary.anyWarning);
}

TEST(CheckReport, NonObjectElementsAreSkipped) {
    CheckSummary summary;
    EXPECT_EQ(
        reportFor(
            R"([1,"text",null,true,[{"eventMessage":"inner"}],{"eventMessage":"NoThreatDetected"},{}])",
            &summary),
        kHeader7 + "    NoThreatDetected\n  \n");
    EXPECT_EQ(summary.outcome, CheckOutcome::Lines);
    EXPECT_EQ(summary.lines, 2U);
}

TEST(CheckReport, ArrayOfOnlyNonObjectsLeavesTheHeader) {
    CheckSummary summary;
    EXPECT_EQ(reportFor("[1,2,3]", &summary), kHeader7);
    EXPECT_EQ(summary.outcome, CheckOutcome::Lines);
    EXPECT_EQ(summary.lines, 0U);
}

TEST(CheckReport, NonStringMembersCountAsAbsent) {
    EXPECT_EQ(
        reportFor(R"([{"timestamp":20240305,"senderImagePath":["\/a\/b"],"eventMessage":null}])"),
        kHeader7 + "  \n");
}

TEST(CheckReport, EmptyArrayGivesTheNoneFoundMessage) {
    for (const std::string_view output : {"[]", " \n[ ]\n "}) {
        CheckSummary summary;
        EXPECT_EQ(reportFor(output, &summary),
                  "No XProtect Remediator scan log messages found in the last 7 days.");
        EXPECT_EQ(summary.outcome, CheckOutcome::NoneFound);
        EXPECT_FALSE(summary.anyWarning);
    }
}

struct UnreadableCase {
    const char* name;
    std::string output;
};

class UnreadableOutput : public ::testing::TestWithParam<UnreadableCase> {};

TEST_P(UnreadableOutput, LeavesTheHeaderAlone) {
    CheckSummary summary;
    EXPECT_EQ(reportFor(GetParam().output, &summary), kHeader7);
    EXPECT_EQ(summary.outcome, CheckOutcome::NoArray);
    EXPECT_EQ(summary.lines, 0U);
}

const std::string kGoodEntry =
    R"({"timestamp":"2024-03-05 09:41:07.123456+0100","eventMessage":"NoThreatDetected"})";

INSTANTIATE_TEST_SUITE_P(
    ParseFailures, UnreadableOutput,
    ::testing::Values(
        UnreadableCase{"Empty", ""}, UnreadableCase{"Whitespace", " \n\t"},
        UnreadableCase{"GarbageAfterArray", "[" + kGoodEntry + "] x"},
        UnreadableCase{"SecondArray", "[" + kGoodEntry + "][]"},
        UnreadableCase{"Truncated", "[" + kGoodEntry + R"(,{"timestamp":"2024)"},
        UnreadableCase{"BadValueInUnreadMember",
                       "[" + kGoodEntry + R"(,{"timestamp":"t","threadID":tru}])"},
        UnreadableCase{"BadNumberInUnreadMember",
                       "[" + kGoodEntry + R"(,{"timestamp":"t","pid":01}])"},
        UnreadableCase{"TrailingComma", "[" + kGoodEntry + ",]"},
        UnreadableCase{"InvalidUtf8InMessage",
                       "[" + kGoodEntry + ",{\"eventMessage\":\"\xC3\x28\"}]"},
        UnreadableCase{"InvalidUtf8InUnreadMember",
                       "[" + kGoodEntry + ",{\"subsystem\":\"\xED\xA0\x80\"}]"},
        UnreadableCase{"OverlongUtf8", "[" + kGoodEntry + ",{\"eventMessage\":\"\xC0\xAF\"}]"},
        UnreadableCase{"BadEscape", "[" + kGoodEntry + R"(,{"eventMessage":"\x41"}])"},
        UnreadableCase{"LoneSurrogateEscape", "[" + kGoodEntry + R"(,{"eventMessage":"\ud83d"}])"},
        UnreadableCase{"RawControlCharacter", "[" + kGoodEntry + ",{\"eventMessage\":\"a\x01\"}]"},
        UnreadableCase{"TopLevelNumber", "42"},
        UnreadableCase{"TopLevelString", R"("NoThreatDetected")"},
        UnreadableCase{"TopLevelNull", "null"}, UnreadableCase{"TopLevelObject", kGoodEntry}),
    CaseName());

TEST(CheckReport, OutputWithoutSpareBytesIsStillRead) {
    platform::CommandResult result = exitedWith(0);
    result.output = "[" + kGoodEntry + "]";
    result.output.shrink_to_fit();
    std::string report = kHeader7;
    buildCheckReport(report, checkTexts(7), result);
    EXPECT_EQ(report, kHeader7 + "2024-03-05 09:41:07.123    NoThreatDetected\n");
}

TEST(CheckReport, ManyEntriesAllListed) {
    std::string output = "[";
    std::string expected = kHeader7;
    for (int i = 0; i < 2000; ++i) {
        output += (i > 0 ? "," : "");
        output += R"({"timestamp":"2024-03-05 09:41:07.123456+0100","senderImagePath":"\/x\/)" +
                  kPrefix + "Scanner" + std::to_string(i) + R"(","eventMessage":"#)" +
                  std::to_string(i) + R"( status_code\":0,"})";
        const std::string name = "Scanner" + std::to_string(i);
        expected += "2024-03-05 09:41:07.123  " + name + std::string(14 - name.size(), ' ') +
                    "  #" + std::to_string(i) + " status_code\":0,\n";
    }
    output += "]";
    CheckSummary summary;
    const std::string report = reportFor(output, &summary);
    // Compared whole, but without printing two megabytes of text on a mismatch.
    EXPECT_EQ(report.size(), expected.size());
    EXPECT_TRUE(report == expected);
    EXPECT_EQ(summary.lines, 2000U);
    EXPECT_FALSE(summary.anyWarning);
}

struct FailureCase {
    const char* name;
    platform::CommandResult (*make)();
    std::string report;
};

class ToolFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ToolFailure, ReplacesTheReportWithTheErrorLine) {
    std::string report = kHeader7;
    const CheckSummary summary = buildCheckReport(report, checkTexts(7), GetParam().make());
    EXPECT_EQ(report, GetParam().report);
    EXPECT_EQ(summary.outcome, CheckOutcome::ToolFailed);
    EXPECT_EQ(summary.lines, 0U);
    EXPECT_FALSE(summary.anyWarning);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ToolFailure,
    ::testing::Values(
        // The output of a failing tool is not looked at, however good it is.
        FailureCase{"StatusOne", [] { return exitedWith(1, "[" + kGoodEntry + "]"); },
                    "Error 1 when checking the log for XProtect Remediator scans."},
        FailureCase{"Status255", [] { return exitedWith(255, "not json"); },
                    "Error 255 when checking the log for XProtect Remediator scans."},
        FailureCase{"KilledBySignal", [] { return killedBySignal(SIGKILL, "[" + kGoodEntry); },
                    "Error 9 when checking the log for XProtect Remediator scans."},
        FailureCase{"Missing", [] { return notStarted(ENOENT); },
                    "Error 127 when checking the log for XProtect Remediator scans.\n"
                    "/usr/bin/log could not be started: No such file or directory."},
        FailureCase{"NotExecutable", [] { return notStarted(EACCES, "/sim/usr/bin/log"); },
                    "Error 126 when checking the log for XProtect Remediator scans.\n"
                    "/sim/usr/bin/log could not be started: Permission denied."}),
    CaseName());

TEST(CheckReport, WithClosingLineReadsAsTheConsoleShowsIt) {
    using namespace std::chrono;
    const platform::TimePoint runDate = sys_days{2024y / March / 5} + 9h + 41min + 7s;
    std::string report = checkTexts(1).header;
    buildCheckReport(report, checkTexts(1),
                     exitedWith(0, R"([{"timestamp":"2024-03-05 09:41:07.123456+0000",)"
                                   R"("senderImagePath":"\/x\/XProtectRemediatorSample",)"
                                   R"("eventMessage":"NoThreatDetected"}])"));
    report += closingLine(runDate);
    EXPECT_EQ(report, "XProtect Remediator scans completed in the last day:\n\n"
                      "2024-03-05 09:41:07.123  Sample          NoThreatDetected\n"
                      "\nScanned at 2024-03-05T09_41_07Z");
}

} // namespace
} // namespace scanbrook::reports
