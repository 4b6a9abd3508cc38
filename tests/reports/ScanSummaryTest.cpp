#include "reports/ScanSummary.h"

#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <string>

namespace scanbrook::reports {
namespace {

using testing::exitedWith;

/// A log entry: each member is left out when empty; `message` is JSON string content.
std::string entry(const std::string& timestamp, const std::string& scanner,
                  const std::string& message) {
    std::string json = "{";
    if (!timestamp.empty()) {
        json += R"("timestamp":")" + timestamp + R"(",)";
    }
    if (!scanner.empty()) {
        json += R"("senderImagePath":"\/Library\/Apple\/XProtect.app\/Contents\/MacOS\/)" +
                scanner + R"(",)";
    }
    if (!message.empty()) {
        json += R"("eventMessage":")" + message + R"(",)";
    }
    json += R"("processID":7})";
    return json;
}

const std::string kClean = R"({\"status_code\":0,\"status_message\":\"NoThreatDetected\"})";
const std::string kFound = R"({\"status_code\":30,\"status_message\":\"ThreatRemediated\"})";
const std::string kT1 = "2024-03-05 09:41:07.123456+0000";
const std::string kT2 = "2024-03-05 10:00:00.000001+0000";

/// The summary in one line, "-" for an absent value.
std::string describe(const ScanSummary& s) {
    std::string text = std::string(verdictName(s.verdict)) + " newest " +
                       s.newestEvent.value_or("-") + " runs " + std::to_string(s.runs) +
                       " warnings " + std::to_string(s.warnings);
    for (const ScannerSummary& scanner : s.scanners) {
        text += " | " + scanner.name + " " + std::to_string(scanner.runs) + " " +
                scanner.lastRun.value_or("-") + " " +
                std::string(resultName(scanner.lastWarning).value_or("-")) + " " +
                scanner.lastStatus.value_or("-") + " " + std::to_string(scanner.warnings);
    }
    return text;
}

struct SummaryCase {
    const char* name;
    platform::CommandResult result;
    std::string summary;
};

class Summary : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(Summary, FollowsTheReportsRules) {
    EXPECT_EQ(describe(summarizeScans(GetParam().result)), GetParam().summary);
}

SummaryCase from(const char* name, const std::string& output, std::string summary) {
    return {name, exitedWith(0, output), std::move(summary)};
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Summary,
    ::testing::Values(
        SummaryCase{"ToolFailed", exitedWith(1, "[" + entry(kT1, "A", kClean) + "]"),
                    "log_failed newest - runs 0 warnings 0"},
        from("EmptyArray", "[]", "no_scans newest - runs 0 warnings 0"),
        from("NoObjectElement", R"([1,"a",null,[]])", "no_scans newest - runs 0 warnings 0"),
        // Sorted in byte order; the last element of each scanner decides its last values.
        from("TwoScannersWithWarnings",
             "[" + entry(kT1, "XProtectRemediatorPirrit", kFound) + "," +
                 entry(kT1, "XProtectRemediatorAdload", kFound) + "," +
                 entry(kT2, "XProtectRemediatorPirrit", kClean) + "]",
             "warnings newest " + kT2 + " runs 3 warnings 2 | Adload 1 " + kT1 +
                 " warning ThreatRemediated 1 | Pirrit 2 " + kT2 + " clean NoThreatDetected 1"),
        from("MessagesNotJson",
             "[" + entry(kT1, "XProtectRemediatorEicar", "plain NoThreatDetected") + "," +
                 entry(kT2, "XProtectRemediatorEicar", R"({\"status_message\":5} x)") + "]",
             "warnings newest " + kT2 + " runs 2 warnings 1 | Eicar 2 " + kT2 + " warning - 1"),
        from("StatusOnlyAtTheTopLevelAndAsAString",
             "[" + entry(kT1, "B", R"({\"a\":{\"status_message\":\"x\"},\"status_code\":0,})") +
                 "," + entry(kT1, "C", R"({\"status_code\":20,\"status_message\":1})") + "," +
                 entry(kT1, "D", R"({\"status_message\":\"a\",\"status_message\":\"b\"})") + "]",
             "warnings newest " + kT1 + " runs 3 warnings 1 | B 1 " + kT1 + " clean - 0 | C 1 " +
                 kT1 + " clean - 0 | D 1 " + kT1 + " warning b 1"),
        // Absent members: no message gives no result; no sender is the scanner "".
        from("AbsentMembers",
             "[" + entry(kT1, "XProtectRemediatorToydrop", kClean) + "," +
                 entry("", "XProtectRemediatorToydrop", "") + "," + entry(kT2, "", kClean) + "]",
             "clean newest " + kT2 + " runs 3 warnings 0 |  1 " + kT2 +
                 " clean NoThreatDetected 0 | Toydrop 2 - - - 0"),
        from("NoNewestWhenTheLastElementHasNoTime",
             "[" + entry(kT2, "A", kClean) + "," + entry("", "A", kClean) + "]",
             "clean newest - runs 2 warnings 0 | A 2 - clean NoThreatDetected 0"),
        from("Utf8ByteOrderAndNoColumnCut",
             "[" + entry(kT1, "\u00C9mile", kClean) + "," + entry(kT1, "alpha", kClean) + "," +
                 entry(kT1, "XProtectRemediatorZetaWithAVeryLongName", kClean) + "]",
             "clean newest " + kT1 + " runs 3 warnings 0 | ZetaWithAVeryLongName 1 " + kT1 +
                 " clean NoThreatDetected 0 | alpha 1 " + kT1 +
                 " clean NoThreatDetected 0 | \u00C9mile 1 " + kT1 + " clean NoThreatDetected 0")),
    [](const auto& param) { return std::string(param.param.name); });

struct LineCase {
    const char* name;
    std::string output;
    std::int64_t days;
    std::string line;
};

class VerdictLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(VerdictLine, FollowsTheTemplates) {
    const LineCase& c = GetParam();
    EXPECT_EQ(verdictLine(summarizeScans(exitedWith(c.output.empty() ? 1 : 0, c.output)), c.days),
              c.line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VerdictLine,
    ::testing::Values(LineCase{"Clean",
                               "[" + entry(kT2, "A", kClean) + "," + entry(kT1, "B", kClean) + "]",
                               1,
                               "All 2 scanners clean \u00B7 newest scan 2024-03-05 09:41:07.123"},
                      LineCase{"WarningsOneDay", "[" + entry(kT1, "A", kFound) + "]", 1,
                               "1 warning(s) in the last day"},
                      LineCase{"LogFailed", "", 3, "The log could not be read"}),
    [](const auto& param) { return std::string(param.param.name); });

} // namespace
} // namespace scanbrook::reports
