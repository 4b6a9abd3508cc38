#include "reports/CheckReport.h"

#include "reports/ReportTexts.h"
#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <optional>
#include <string>

namespace scanbrook::reports {
namespace {

using testing::exitedWith;
using testing::killedBySignal;
using testing::notStarted;

const std::string kWarning = "\xE2\x9A\xA0\xEF\xB8\x8F";
const std::string kHeader7 = "XProtect Remediator scans completed in the last 7 days:\n\n";
// "XProtectRemediator" is 18 characters: the part that long sender names lose.
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

/// One log entry's members (absent when nullopt) and the report line it gives.
struct LineCase {
    const char* name;
    std::optional<std::string> timestamp, sender, message;
    std::string line;
    bool warning = false;
};

class ReportLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(ReportLine, IsBuiltFromTheThreeMembers) {
    const LineCase& c = GetParam();
    platform::LogEntry entry;
    entry.isObject = true;
    entry.timestamp = c.timestamp;
    entry.senderImagePath = c.sender;
    entry.eventMessage = c.message;
    std::string line;
    EXPECT_EQ(appendReportLine(line, entry), c.warning);
    EXPECT_EQ(line, c.line);
}

std::string pad(int spaces) {
    return std::string(static_cast<std::size_t>(spaces), ' ');
}

/// The line of a sender path alone: two spaces, then what is `shown` of its name.
LineCase sender(const char* name, std::string path, const std::string& shown) {
    return {name, {}, std::move(path), {}, "  " + shown + "\n"};
}

INSTANTIATE_TEST_SUITE_P(
    SenderNames, ReportLine,
    ::testing::Values(
        sender("TwentyTwoShownWhole", "/a/b/ABCDEFGHIJKLMNOPQRSTUV", "ABCDEFGHIJKLMNOPQRSTUV"),
        sender("TwentyThreeKeepsLastFivePadded", "/x/" + kPrefix + "Pirri", "Pirri" + pad(9)),
        sender("ThirtyTwoFillsTheColumn", "/x/" + kPrefix + "ABCDEFGHIJKLMN", "ABCDEFGHIJKLMN"),
        sender("FortyShowsNineteenToThirtyTwo", "/x/ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn",
               "STUVWXYZabcdef"),
        sender("NoSlashIsItsOwnName", kPrefix + "KeySteal", "KeySteal" + pad(6)),
        sender("EndingInSlash", "/Library/Apple/", ""),
        // Characters are what a reader sees: 22 of them in 44 bytes are not cut.
        sender("TwentyTwoAccentedLetters", "/x/" + repeated(kEAcute, 22), repeated(kEAcute, 22)),
        sender("TwentyThreeAccentedLetters", "/x/" + repeated(kEAcute, 23),
               repeated(kEAcute, 5) + pad(9)),
        sender("ZwjSequenceIsOneCharacter", "/x/" + kPrefix + "ab" + kCoder,
               kPrefix + "ab" + kCoder),
        sender("ZwjSequenceDroppedWhole", "/x/" + pad(17) + kCoder + "abcdefghijklmnopq",
               "abcdefghijklmn"),
        sender("ZwjSequenceFirstShown", "/x/" + pad(18) + kCoder + "abcdefghijklmnop",
               kCoder + "abcdefghijklm"),
        sender("FlagsAreOneCharacterEach", "/x/" + kPrefix + repeated(kFlag, 6),
               repeated(kFlag, 6) + pad(8)),
        sender("ThreeByteLettersNotSplit", "/x/" + repeated("\xE6\x97\xA5", 30),
               repeated("\xE6\x97\xA5", 12) + pad(2))),
    [](const auto& param) { return std::string(param.param.name); });

/// The line of a timestamp alone: what is `shown` of it, then two spaces.
LineCase stamped(const char* name, std::string timestamp, const std::string& shown) {
    return {name, std::move(timestamp), {}, {}, shown + "  \n"};
}

INSTANTIATE_TEST_SUITE_P(Timestamps, ReportLine,
                         ::testing::Values(stamped("LogForm", "2024-03-05 09:41:07.123456+0100",
                                                   "2024-03-05 09:41:07.123"),
                                           stamped("ShorterTakenWhole", "2024-03-05", "2024-03-05"),
                                           // Full-width digits: three bytes each.
                                           stamped("NonAscii", repeated("\xEF\xBC\x91", 31),
                                                   repeated("\xEF\xBC\x91", 23)),
                                           stamped("AccentJoinsTheTwentyThird",
                                                   "2024-03-05 09:41:07.12" + kEAcute + "456",
                                                   "2024-03-05 09:41:07.12" + kEAcute)),
                         [](const auto& param) { return std::string(param.param.name); });

/// The line of a message alone: its marker and the message.
LineCase marked(const char* name, std::string message, bool warning) {
    const std::string marker = warning ? kWarning : "  ";
    return {name, {}, {}, message, "  " + marker + message + "\n", warning};
}

INSTANTIATE_TEST_SUITE_P(
    Markers, ReportLine,
    ::testing::Values(
        marked("NoThreatDetected", R"({"status_code":3,"result":"NoThreatDetected"})", false),
        marked("StatusZeroComma", R"({"status_code":0,"plugin":"Pirrit"})", false),
        marked("StatusTwenty", R"({"status_code":20})", false),
        marked("StatusTwoHundredOne", R"({"status_code":201})", false),
        marked("StatusZeroBrace", R"({"plugin":"Pirrit","status_code":0})", true),
        marked("StatusOne", R"({"status_code":1,"plugin":"Pirrit"})", true),
        marked("SpaceAfterColon", R"({"status_code": 0,"x":1})", true),
        marked("CaseMatters", R"({"Status_code":0,"result":"nothreatdetected"})", true),
        marked("AnyMarkerAnywhere", R"({"status_code":1,"inner":{"status_code":0,"a":1}})", false),
        marked("ZeroAtTheVeryEnd", R"(x "status_code":0)", true),
        marked("UnquotedKeyIsNoMarker", "status_code:0,", true), marked("Empty", "", true),
        marked("SignInTheTextIsNoWarning", kWarning + " NoThreatDetected", false),
        // Only the message decides: clean-scan texts in the other members count for nothing.
        LineCase{"CleanTextsInOtherMembers", "NoThreatDetected", "/x/status_code\":0,",
                 R"({"status_code":1})",
                 "NoThreatDetected  status_code\":0," + kWarning + R"({"status_code":1})" + "\n",
                 true}),
    [](const auto& param) { return std::string(param.param.name); });

/// The report for the log tool's `output` with status 0 and a period of 7 days.
std::string reportFor(std::string_view output, CheckSummary& summary) {
    std::string report = kHeader7;
    summary = buildCheckReport(report, checkTexts(7), exitedWith(0, output));
    return report;
}

TEST(CheckReport, OneLinePerObjectInArrayOrderFromTheUnescapedMembers) {
    const std::string output = R"([
 {"timestamp":"2024-03-05 09:41:07.123456+0100","processImagePath":"\/Library\/Apple\/x",
  "senderImagePath":"\/Library\/Apple\/System\/Library\/CoreServices\/XProtect.app\/Contents\/MacOS\/XProtectRemediatorSample",
  "subsystem":"com.apple.XProtectFramework.PluginAPI","eventMessage":"{\"status_code\":0,\"caller\":\"\\\/x\"} NoThreatDetected"},
 1, "text", null, [{"eventMessage":"inner"}],
 {"eventMessage":"{\u0022status_code\u0022:1}","senderImagePath":"\/usr\/libexec\/Short","timestamp":"2024-03-04 01:02:03.000001-0800"},
 {"timestamp":20240305,"senderImagePath":["\/a\/b"],"eventMessage":null},
 {"timestamp":"2024-03-03 23:59:59.999999+0000","senderImagePath":"XProtectRemediatorBadGacha","eventMessage":"Caf\u00e9 \ud83d\ude00 status_code\u0022:20"}
])";
    CheckSummary summary;
    EXPECT_EQ(reportFor(output, summary),
              kHeader7 +
                  "2024-03-05 09:41:07.123  Sample          "
                  "{\"status_code\":0,\"caller\":\"\\/x\"} NoThreatDetected\n"
                  "2024-03-04 01:02:03.000  Short" +
                  kWarning + "{\"status_code\":1}\n" + "  \n" +
                  "2024-03-03 23:59:59.999  BadGacha        Caf\xC3\xA9 \xF0\x9F\x98\x80 "
                  "status_code\":20\n");
    EXPECT_EQ(summary.outcome, CheckOutcome::Lines);
    EXPECT_EQ(summary.lines, 4U);
    EXPECT_TRUE(summary.anyWarning);
}

TEST(CheckReport, WarningIsDecidedByMarkersNotByTheSignInTheText) {
    CheckSummary summary;
    // A line without a message gets no marker at all, so no warning either.
    reportFor(R"([{"timestamp":"t"},{"eventMessage":"\u26a0\ufe0f NoThreatDetected"}])", summary);
    EXPECT_EQ(summary.lines, 2U);
    EXPECT_FALSE(summary.anyWarning);
}

TEST(CheckReport, ArrayOfNoObjectsLeavesTheHeaderAndAnEmptyOneSaysNoneFound) {
    CheckSummary summary;
    EXPECT_EQ(reportFor("[1,2,3]", summary), kHeader7);
    EXPECT_EQ(summary.outcome, CheckOutcome::Lines);
    EXPECT_EQ(reportFor(" \n[ ]\n ", summary),
              "No XProtect Remediator scan log messages found in the last 7 days.");
    EXPECT_EQ(summary.outcome, CheckOutcome::NoneFound);
}

TEST(CheckReport, OutputWithoutSpareBytesIsStillRead) {
    platform::CommandResult result = exitedWith(0);
    result.output = R"([{"eventMessage":"NoThreatDetected"}])";
    result.output.shrink_to_fit();
    std::string report = kHeader7;
    buildCheckReport(report, checkTexts(7), result);
    EXPECT_EQ(report, kHeader7 + "    NoThreatDetected\n");
}

const std::string kGoodEntry =
    R"({"timestamp":"2024-03-05 09:41:07.123456+0100","eventMessage":"NoThreatDetected"})";

class UnreadableOutput : public ::testing::TestWithParam<std::string> {};

// Anything wrong anywhere in the output, also where no line is read from, keeps every line out.
TEST_P(UnreadableOutput, LeavesTheHeaderAloneWithNoPartialLines) {
    CheckSummary summary;
    EXPECT_EQ(reportFor(GetParam(), summary), kHeader7);
    EXPECT_EQ(summary.outcome, CheckOutcome::NoArray);
    EXPECT_EQ(summary.lines, 0U);
}

INSTANTIATE_TEST_SUITE_P(ParseFailures, UnreadableOutput,
                         ::testing::Values("", " \n\t", "[" + kGoodEntry + "] x",
                                           "[" + kGoodEntry + "][]",
                                           "[" + kGoodEntry + R"(,{"timestamp":"2024)",
                                           "[" + kGoodEntry +
                                               R"(,{"timestamp":"t","threadID":tru}])",
                                           "[" + kGoodEntry + ",]",
                                           "[" + kGoodEntry + ",{\"subsystem\":\"\xED\xA0\x80\"}]",
                                           "[" + kGoodEntry + ",{\"eventMessage\":\"\xC0\xAF\"}]",
                                           "[" + kGoodEntry + R"(,{"eventMessage":"\ud83d"}])",
                                           "[" + kGoodEntry + ",{\"eventMessage\":\"a\x01\"}]",
                                           "42", R"("NoThreatDetected")", "null", kGoodEntry));

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
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, ToolFailure,
    ::testing::Values(
        // The output of a failing tool is not looked at, however good it is.
        FailureCase{"StatusOne", [] { return exitedWith(1, "[" + kGoodEntry + "]"); },
                    "Error 1 when checking the log for XProtect Remediator scans."},
        FailureCase{"KilledBySignal", [] { return killedBySignal(SIGKILL, "[" + kGoodEntry); },
                    "Error 9 when checking the log for XProtect Remediator scans."},
        FailureCase{"Missing", [] { return notStarted(ENOENT); },
                    "Error 127 when checking the log for XProtect Remediator scans.\n"
                    "/usr/bin/log could not be started: No such file or directory."},
        FailureCase{"NotExecutable", [] { return notStarted(EACCES, "/sim/usr/bin/log"); },
                    "Error 126 when checking the log for XProtect Remediator scans.\n"
                    "/sim/usr/bin/log could not be started: Permission denied."}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CheckReport, WithTheClosingLineReadsAsTheConsoleShowsIt) {
    using namespace std::chrono;
    std::string report = checkTexts(1).header;
    buildCheckReport(report, checkTexts(1),
                     exitedWith(0, R"([{"timestamp":"2024-03-05 09:41:07.123456+0000",)"
                                   R"("senderImagePath":"\/x\/XProtectRemediatorSample",)"
                                   R"("eventMessage":"NoThreatDetected"}])"));
    report += closingLine(sys_days{2024y / March / 5} + 9h + 41min + 7s);
    EXPECT_EQ(report, "XProtect Remediator scans completed in the last day:\n\n"
                      "2024-03-05 09:41:07.123  Sample          NoThreatDetected\n"
                      "\nScanned at 2024-03-05T09_41_07Z");
}

} // namespace
} // namespace scanbrook::reports
