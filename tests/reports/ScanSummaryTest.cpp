#include "reports/ScanSummary.h"
#include "reports/LogTimestamp.h"

#include "support/CommandResults.h"

#include <gtest/gtest.h>

#include <chrono>
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
const std::string kRemoved =
    R"({\"caller\":{\"alerts\":[{\"path\":\"\/a\",\"remediated\":true}]},\"status_code\":30,)"
    R"(\"status_message\":\"ThreatRemediated\"})";
const std::string kFailed = R"({\"status_code\":1,\"status_message\":\"ScanFailed\"})";
/// A finding with paths in each form: a list of paths and of objects, and an alert.
const std::string kFound =
    R"({\"caller\":{\"alerts\":[{\"path\":\"\/c\"}]},\"caused_by\":[\"\/a\",{\"path\":\"\/b\"},)"
    R"(\"\/a\",\"\"],\"status_code\":1,\"status_message\":\"ScanFailed\"})";
const std::string kT1 = "2024-03-05 09:41:07.123456+0000";
const std::string kT2 = "2024-03-05 10:00:00.000001+0100";
/// kT2 as a moment: 09:00:00.000001 UTC.
const platform::TimePoint kT2Moment =
    platform::TimePoint(std::chrono::seconds(1709629200) + std::chrono::microseconds(1));

std::string counts(const ClassCounts& c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) + "," +
           std::to_string(c[3]);
}

/// The summary in one line, "-" for an absent value; counts are clean, problem, removed, found.
std::string describe(const ScanSummary& s) {
    std::string text = std::string(verdictName(s.verdict)) + "/" +
                       std::string(statusName(s.status)) + " newest " +
                       s.newestEvent.value_or("-") + " runs " + std::to_string(s.runs) +
                       " warnings " + std::to_string(s.warnings) + " " + counts(s.counts);
    for (const ScannerSummary& scanner : s.scanners) {
        text += " | " + scanner.name + " " + std::to_string(scanner.runs) + " " +
                scanner.lastRun.value_or("-") + " " +
                std::string(resultName(scanner.lastWarning).value_or("-")) + " " +
                std::string(className(scanner.lastClass)) + " " + scanner.lastStatus.value_or("-") +
                " " + std::to_string(scanner.warnings) + " " + counts(scanner.counts);
    }
    for (const Finding& f : s.findings) {
        text += " ! " + f.scanner + " " + std::string(className(f.scanClass)) + " " + f.path;
    }
    return text;
}

struct SummaryCase {
    const char* name;
    platform::CommandResult result;
    std::string summary;
    std::string line;
    /// The summary's moment after kT2; none: nothing is stale.
    std::optional<std::chrono::seconds> after = std::nullopt;
};

class Summary : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(Summary, FollowsTheReportsRulesAndTheClasses) {
    const SummaryCase& c = GetParam();
    SummaryMoment moment;
    if (c.after) {
        moment.now = kT2Moment + *c.after;
    }
    const ScanSummary summary = summarizeScans(c.result, moment);
    EXPECT_EQ(describe(summary), c.summary);
    EXPECT_EQ(verdictLine(summary, 7), c.line);
}

SummaryCase from(const char* name, const std::vector<std::string>& entries, std::string summary,
                 std::string line, std::optional<std::chrono::seconds> after = std::nullopt) {
    std::string output = "[";
    for (const std::string& e : entries) {
        output += (output.size() > 1 ? "," : "") + e;
    }
    return {name, exitedWith(0, output + "]"), std::move(summary), std::move(line), after};
}

const std::string kNoScans =
    "No scans found in the last 7 days \u2014 XProtect Remediator may not be running";
constexpr std::chrono::seconds kFortyEightHours{48 * 3600};

INSTANTIATE_TEST_SUITE_P(
    Cases, Summary,
    ::testing::Values(
        SummaryCase{"ToolFailed", exitedWith(1, "[" + entry(kT1, "A", kClean) + "]"),
                    "log_failed/log_failed newest - runs 0 warnings 0 0,0,0,0",
                    "The log could not be read"},
        SummaryCase{"NotAnArray", exitedWith(0, "{}"),
                    "log_failed/log_failed newest - runs 0 warnings 0 0,0,0,0",
                    "The log could not be read"},
        SummaryCase{"NoObjectElement", exitedWith(0, R"([1,"a",null,[]])"),
                    "no_scans/no_scans newest - runs 0 warnings 0 0,0,0,0", kNoScans},
        // Sorted in byte order; the last element of each scanner decides its last values.
        from("RemovalAndFailureInOnePeriod",
             {entry(kT1, "XProtectRemediatorPirrit", kRemoved),
              entry(kT1, "XProtectRemediatorAdload", kFailed),
              entry(kT2, "XProtectRemediatorPirrit", kClean)},
             "warnings/threat_remediated newest " + kT2 + " runs 3 warnings 2 1,1,1,0 | Adload 1 " +
                 kT1 + " warning scan_problem ScanFailed 1 0,1,0,0 | Pirrit 2 " + kT2 +
                 " clean clean NoThreatDetected 1 1,0,1,0 ! Pirrit threat_remediated /a",
             "Pirrit removed a threat on 2024-03-05 09:41:07.123; 1 scan could not finish"),
        // Deduplicated; a finding outranks a removal and a stale log.
        from("AFindingWithSeveralPaths",
             {entry(kT1, "XProtectRemediatorEicar", kRemoved),
              entry(kT1, "XProtectRemediatorEicar", kFound)},
             "warnings/threat_found newest " + kT1 + " runs 2 warnings 2 0,0,1,1 | Eicar 2 " + kT1 +
                 " warning threat_found ScanFailed 2 0,0,1,1 ! Eicar threat_remediated /a ! Eicar "
                 "threat_found /a ! Eicar threat_found /b ! Eicar threat_found /c",
             "Threat found and not removed by Eicar on 2024-03-05 09:41:07.123: /a; Eicar removed "
             "a threat on 2024-03-05 09:41:07.123; Last scan 3 days ago \u2014 XProtect "
             "Remediator may have stopped",
             std::chrono::hours(80)),
        // Never clean without the report's two spaces: an unknown status, a message that is
        // no JSON object, and an event without a message are scan problems.
        from("WhatIsNotCleanIsAProblem",
             {entry(kT1, "B", R"({\"status_code\":30,\"status_message\":\"Unheard\"})"),
              entry(kT1, "C", "plain NoThreatDetecte"), entry(kT1, "D", R"([\"\/x\"])"),
              entry(kT1, "E", R"({\"status_message\":\"ThreatRemediated\",\"status_code\":20})")},
             "warnings/scan_problems newest " + kT1 + " runs 4 warnings 3 1,3,0,0 | B 1 " + kT1 +
                 " warning scan_problem Unheard 1 0,1,0,0 | C 1 " + kT1 +
                 " warning scan_problem - 1 0,1,0,0 | D 1 " + kT1 +
                 " warning scan_problem - 1 0,1,0,0 | E 1 " + kT1 +
                 " clean clean ThreatRemediated 0 1,0,0,0",
             "3 scans could not finish"),
        from("NoMessageIsAProblem", {entry(kT2, "XProtectRemediatorToydrop", "")},
             "clean/scan_problems newest " + kT2 + " runs 1 warnings 0 0,1,0,0 | Toydrop 1 " + kT2 +
                 " - scan_problem - 0 0,1,0,0",
             "1 scan could not finish"),
        from("FreshAtTheThreshold", {entry(kT2, "B", kClean)},
             "clean/clean newest " + kT2 + " runs 1 warnings 0 1,0,0,0 | B 1 " + kT2 +
                 " clean clean NoThreatDetected 0 1,0,0,0",
             "All 1 scanner clean \u00B7 newest scan 2024-03-05 10:00:00.000", kFortyEightHours),
        from("StaleByASecond", {entry(kT2, "B", kClean), entry("", "B", kFailed)},
             "warnings/stale newest - runs 2 warnings 1 1,1,0,0 | B 2 - warning scan_problem "
             "ScanFailed 1 1,1,0,0",
             "Last scan 2 days ago \u2014 XProtect Remediator may have stopped; 1 scan could not "
             "finish",
             kFortyEightHours + std::chrono::seconds(1)),
        from("StaleByOneDay", {entry(kT2, "B", kClean)},
             "clean/stale newest " + kT2 + " runs 1 warnings 0 1,0,0,0 | B 1 " + kT2 +
                 " clean clean NoThreatDetected 0 1,0,0,0",
             "Last scan 2 days ago \u2014 XProtect Remediator may have stopped",
             kFortyEightHours + std::chrono::seconds(1)),
        from("OneScannerAndUtf8Order",
             {entry(kT1, "\u00C9mile", kClean), entry(kT1, "alpha", kClean)},
             "clean/clean newest " + kT1 + " runs 2 warnings 0 2,0,0,0 | alpha 1 " + kT1 +
                 " clean clean NoThreatDetected 0 1,0,0,0 | \u00C9mile 1 " + kT1 +
                 " clean clean NoThreatDetected 0 1,0,0,0",
             "All 2 scanners clean \u00B7 newest scan 2024-03-05 09:41:07.123"),
        from("NoCutOfLongNames", {entry(kT1, "XProtectRemediatorZetaWithAVeryLongName", kClean)},
             "clean/clean newest " + kT1 + " runs 1 warnings 0 1,0,0,0 | ZetaWithAVeryLongName 1 " +
                 kT1 + " clean clean NoThreatDetected 0 1,0,0,0",
             "All 1 scanner clean \u00B7 newest scan 2024-03-05 09:41:07.123")),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Findings, AreCappedAndTheRestCounted) {
    std::string paths;
    for (std::size_t i = 0; i < kMaxFindings + 2; ++i) {
        paths += (i == 0 ? "" : ",") + std::string(R"(\"\/p)") + std::to_string(i) + R"(\")";
    }
    const ScanSummary summary = summarizeScans(
        exitedWith(0, "[" + entry(kT1, "A", R"({\"caused_by\":[)" + paths + "]}") + "]"));
    ASSERT_EQ(summary.findings.size(), kMaxFindings);
    EXPECT_EQ(summary.findings.back().path, "/p" + std::to_string(kMaxFindings - 1));
    EXPECT_EQ(summary.findingsLeftOut, 2U);
}

TEST(LogTimestamp, ReadsTheLogsFormAndWritesRfc3339InUtc) {
    const struct {
        const char* text;
        const char* utc; ///< "" when the text is no timestamp
    } rows[] = {
        {"2024-03-05 10:00:00.000001+0100", "2024-03-05T09:00:00.000001Z"},
        {"2024-01-01 00:30:00.5-01:30", "2024-01-01T02:00:00.500000Z"},
        {"2024-02-29 23:59:59Z", "2024-02-29T23:59:59.000000Z"},
        {"2023-02-29 10:00:00.000000+0000", ""},
        {"2024-03-05 24:00:00.000000+0000", ""},
        {"2024-03-05 10:00:00.000000", ""},
        {"2024-03-05T10:00:00.000000+0000", ""},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(utcTextOfTimestamp(row.text).value_or(""), row.utc) << row.text;
    }
}

} // namespace
} // namespace scanbrook::reports
