// The check's report from the log tool's result, through the overload the check uses: the result
// handed over, its output let go once parsed.
#include "reports/CheckReport.h"

#include "reports/ReportTexts.h"
#include "support/CommandResults.h"
#include "support/Texts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <optional>
#include <string>

namespace scanbrook::reports {
namespace {

using test::kWarningSign;
using testing::exitedWith;

const std::string kHeader7 = "XProtect Remediator scans completed in the last 7 days:\n\n";
// "XProtectRemediator" is 18 characters: the part that long sender names lose.
const std::string kPrefix = "XProtectRemediator";
const std::string kEAcute = "e\xCC\x81";                                   // e + U+0301
const std::string kCoder = "\xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB"; // woman, ZWJ, laptop

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

/// The line of a sender path alone: two spaces, then what is `shown` of its name.
LineCase sender(const char* name, std::string path, const std::string& shown) {
    return {name, {}, std::move(path), {}, "  " + shown + "\n"};
}
/// The line of a timestamp alone: what is `shown` of it, then two spaces.
LineCase stamped(const char* name, std::string timestamp, const std::string& shown) {
    return {name, std::move(timestamp), {}, {}, shown + "  \n"};
}
/// The line of a message alone: its marker and the message.
LineCase marked(const char* name, std::string message, bool warning) {
    return {name,   {}, {}, message, "  " + (warning ? kWarningSign : "  ") + message + "\n",
            warning};
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReportLine,
    ::testing::Values(
        sender("TwentyTwoShownWhole", "/a/b/ABCDEFGHIJKLMNOPQRSTUV", "ABCDEFGHIJKLMNOPQRSTUV"),
        sender("TwentyThreeKeepsLastFivePadded", "/x/" + kPrefix + "Pirri", "Pirri         "),
        sender("FortyShowsNineteenToThirtyTwo", "/x/ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn",
               "STUVWXYZabcdef"),
        sender("NoSlashIsItsOwnName", kPrefix + "KeySteal", "KeySteal      "),
        // Characters are what a reader sees, not bytes or code points.
        sender("ZwjSequenceIsOneCharacter", "/x/" + kPrefix + "ab" + kCoder,
               kPrefix + "ab" + kCoder),
        stamped("TimestampToTheMillisecond", "2024-03-05 09:41:07.123456+0100",
                "2024-03-05 09:41:07.123"),
        stamped("AccentJoinsTheTwentyThird", "2024-03-05 09:41:07.12" + kEAcute + "456",
                "2024-03-05 09:41:07.12" + kEAcute),
        marked("NoThreatDetected", R"({"status_code":3,"result":"NoThreatDetected"})", false),
        marked("StatusZeroComma", R"({"status_code":0,"plugin":"Pirrit"})", false),
        marked("StatusTwenty", R"({"status_code":20})", false),
        marked("StatusZeroBrace", R"({"plugin":"Pirrit","status_code":0})", true),
        marked("AnyMarkerAnywhere", R"({"status_code":1,"inner":{"status_code":0,"a":1}})", false),
        marked("SignInTheTextIsNoWarning", kWarningSign + " NoThreatDetected", false),
        // Only the message decides: clean-scan texts in the other members count for nothing.
        LineCase{"CleanTextsInOtherMembers", "NoThreatDetected", "/x/status_code\":0,",
                 R"({"status_code":1})",
                 "NoThreatDetected  status_code\":0," + kWarningSign + R"({"status_code":1})" +
                     "\n",
                 true}),
    [](const auto& param) { return std::string(param.param.name); });

/// The report for the log tool's `result` and a period of 7 days.
std::string reportFor(platform::CommandResult result, CheckSummary& summary) {
    std::string report = kHeader7;
    summary = buildCheckReport(report, checkTexts(7), std::move(result));
    return report;
}

TEST(CheckReport, OneLinePerObjectInArrayOrderFromTheUnescapedMembers) {
    const std::string output = R"([
 {"timestamp":"2024-03-05 09:41:07.123456+0100","processImagePath":"\/Library\/Apple\/x",
  "senderImagePath":"\/Library\/Apple\/System\/Library\/CoreServices\/XProtect.app\/Contents\/MacOS\/XProtectRemediatorSample",
  "eventMessage":"{\"status_code\":0,\"caller\":\"\\\/x\"} NoThreatDetected"},
 1, "text", null, [{"eventMessage":"inner"}],
 {"eventMessage":"{\u0022status_code\u0022:1}","senderImagePath":"\/usr\/libexec\/Short","timestamp":"2024-03-04 01:02:03.000001-0800"},
 {"timestamp":20240305,"senderImagePath":["\/a\/b"],"eventMessage":null},
 {"event\u004dessage":"NoThreatDetected","timestamp":"t1","timestamp":"t2"}
])";
    CheckSummary summary;
    EXPECT_EQ(reportFor(exitedWith(0, output), summary),
              kHeader7 +
                  "2024-03-05 09:41:07.123  Sample          "
                  "{\"status_code\":0,\"caller\":\"\\/x\"} NoThreatDetected\n"
                  "2024-03-04 01:02:03.000  Short" +
                  kWarningSign + "{\"status_code\":1}\n" + "  \n" + "t2    NoThreatDetected\n");
    EXPECT_EQ(summary.outcome, CheckOutcome::Lines);
    EXPECT_EQ(summary.lines, 4U);
    EXPECT_TRUE(summary.anyWarning);
}

TEST(CheckReport, AnEmptyArraySaysNoneFound) {
    CheckSummary summary;
    EXPECT_EQ(reportFor(exitedWith(0, " \n[ ]\n "), summary),
              "No XProtect Remediator scan log messages found in the last 7 days.");
    EXPECT_EQ(summary.outcome, CheckOutcome::NoneFound);
}

const std::string kGoodEntry =
    R"({"timestamp":"2024-03-05 09:41:07.123456+0100","eventMessage":"NoThreatDetected"})";

TEST(CheckReport, UnreadableOutputLeavesTheHeaderAloneWithNoPartialLines) {
    // Anything wrong anywhere in the output, also after the lines read, keeps every line out.
    for (const std::string& output :
         {std::string(), "[" + kGoodEntry + "] x", "[" + kGoodEntry + R"(,{"timestamp":"2024)",
          "[" + kGoodEntry + ",{\"eventMessage\":\"\xC0\xAF\"}]", kGoodEntry}) {
        CheckSummary summary;
        EXPECT_EQ(reportFor(exitedWith(0, output), summary), kHeader7) << output;
        EXPECT_EQ(summary.outcome, CheckOutcome::NoArray);
    }
}

TEST(CheckReport, AFailedToolReplacesTheReportWithTheErrorLine) {
    // The output of a failing tool is not looked at, however good it is.
    const std::pair<platform::CommandResult, std::string> cases[] = {
        {exitedWith(1, "[" + kGoodEntry + "]"), test::checkError(1)},
        {testing::notStarted(ENOENT), test::checkError(127) +
                                          "\n/usr/bin/log could not be "
                                          "started: No such file or directory."}};
    for (const auto& [result, report] : cases) {
        CheckSummary summary;
        EXPECT_EQ(reportFor(result, summary), report);
        EXPECT_EQ(summary.outcome, CheckOutcome::ToolFailed);
    }
}

} // namespace
} // namespace scanbrook::reports
