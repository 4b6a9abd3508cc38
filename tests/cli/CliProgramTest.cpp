// The built scanbrook-cli, run as a script would run it, against private copies of the
// simulated Mac.
#include "cli/CliArguments.h"
#include "platform/BuildInfo.h"
#include "platform/Clock.h"
#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "reports/ReportTexts.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace scanbrook::cli {
namespace {

const std::string kCli = SCANBROOK_CLI_PATH;

struct CliRun {
    platform::CommandResult result;
    std::string errorOutput;
};

/// Runs scanbrook-cli with `arguments` and the platform root `root`, keeping what it writes
/// on standard error: the child inherits our standard error, so it is pointed at a file for
/// the length of the run.
CliRun runCli(const std::vector<std::string>& arguments, const std::string& root) {
    test::ScopedEnvironment environment(platform::kPlatformRootVariable, root);
    std::FILE* capture = std::tmpfile();
    if (capture == nullptr) {
        ADD_FAILURE() << "tmpfile failed";
        return {};
    }
    std::fflush(stderr);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(::fileno(capture), STDERR_FILENO);

    CliRun run{platform::runCommand(kCli, arguments), {}};

    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
    std::rewind(capture);
    char buffer[4096];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, capture)) > 0) {
        run.errorOutput.append(buffer, count);
    }
    std::fclose(capture);
    return run;
}

std::string dateTextNow() {
    return reports::lastCheckDateText(platform::SystemClock().now());
}

/// Checks that `output` ends with the closing line and a line feed, dated between `before` and
/// `after` (date texts, which sort like the times they write), and returns what precedes it.
std::string withoutClosingLine(const std::string& output, const std::string& before,
                               const std::string& after) {
    static const std::regex closing("\nScanned at (\\d{4}-\\d\\d-\\d\\dT\\d\\d_\\d\\d_\\d\\dZ)\n$");
    std::smatch match;
    if (!std::regex_search(output, match, closing)) {
        ADD_FAILURE() << "no closing line at the end of:\n" << output;
        return output;
    }
    EXPECT_LE(before, match[1].str());
    EXPECT_LE(match[1].str(), after);
    return output.substr(0, static_cast<std::size_t>(match.position(0)));
}

const std::string kPiratePath =
    "\\/Library\\/Apple\\/System\\/Library\\/CoreServices\\/XProtect.app\\/Contents\\/MacOS\\/"
    "XProtectRemediatorPirrit";

/// One log entry as the log tool writes it, with the members the report reads.
std::string entry(const std::string& message) {
    return "{\"timestamp\":\"2024-03-05 09:41:07.123456+0000\",\"senderImagePath\":\"" +
           kPiratePath + "\",\"eventMessage\":\"" + message + "\"}";
}

/// A clean scan's message as JSON text, and as the report shows it.
const std::string kCleanJson = R"({\"status_code\":0,\"caller\":\"Pirrit\"})";
const std::string kClean = R"({"status_code":0,"caller":"Pirrit"})";
const std::string kThreatJson = R"({\"status_code\":1,\"caller\":\"Pirrit\"})";
const std::string kThreat = R"({"status_code":1,"caller":"Pirrit"})";
const std::string kLinePrefix = "2024-03-05 09:41:07.123  Pirrit        ";
const std::string kWarning = "\xE2\x9A\xA0\xEF\xB8\x8F";

class CliCheck : public ::testing::Test {
protected:
    test::TempSimRoot root;

    struct Checked {
        int status;
        std::string report; // without the closing line
        std::string errorOutput;
    };

    Checked check(const std::vector<std::string>& arguments) {
        const std::string before = dateTextNow();
        const CliRun run = runCli(arguments, root.path());
        const std::string after = dateTextNow();
        EXPECT_EQ(run.result.ending, platform::CommandResult::Ending::Exited);
        return {run.result.status, withoutClosingLine(run.result.output, before, after),
                run.errorOutput};
    }
};

TEST_F(CliCheck, ReportsTheSimulatedHistory) {
    root.setControl("now", "1709631667");

    const Checked checked = check({"check", "--days", "7"});

    // The made-up history holds scans with other status codes now and then, so either
    // status may come; which one follows from the lines' markers.
    const std::string header = "XProtect Remediator scans completed in the last 7 days:\n\n";
    ASSERT_TRUE(checked.report.starts_with(header)) << checked.report.substr(0, 200);
    EXPECT_GT(checked.report.size(), header.size());
    EXPECT_TRUE(checked.report.ends_with("\n"));
    // Every simulated scanner's name is long enough to be cut to 14 characters, so each line's
    // outcome marker starts at byte 23 + 2 + 14.
    bool anyWarning = false;
    std::size_t start = header.size();
    while (start < checked.report.size()) {
        const std::size_t end = checked.report.find('\n', start);
        const std::string line = checked.report.substr(start, end - start);
        anyWarning = anyWarning || line.compare(39, kWarning.size(), kWarning) == 0;
        start = end + 1;
    }
    EXPECT_EQ(checked.status, anyWarning ? 1 : 0);
}

TEST_F(CliCheck, DefaultsToOneDay) {
    root.setControl("log.query.output", "[]");

    const Checked checked = check({"check"});

    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.report, "No XProtect Remediator scan log messages found in the last day.");
}

TEST_F(CliCheck, EmptyArrayIsCleanWithTheNoneFoundMessage) {
    root.setControl("log.query.output", "[]");

    const Checked checked = check({"check", "--days=12"});

    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.report,
              "No XProtect Remediator scan log messages found in the last 12 days.");
}

TEST_F(CliCheck, CleanLinesExitZero) {
    root.setControl("log.query.output",
                    "[" + entry(kCleanJson) + ",\n" + entry("NoThreatDetected") + "]");

    const Checked checked = check({"check", "--days", "2"});

    EXPECT_EQ(checked.status, 0);
    EXPECT_EQ(checked.report, "XProtect Remediator scans completed in the last 2 days:\n\n" +
                                  kLinePrefix + "  " + kClean + "\n" + kLinePrefix +
                                  "  NoThreatDetected\n");
}

TEST_F(CliCheck, ALineWithTheWarningMarkerExitsOne) {
    root.setControl("log.query.output", "[" + entry(kCleanJson) + "," + entry(kThreatJson) + "]");

    const Checked checked = check({"check", "--days", "3"});

    EXPECT_EQ(checked.status, 1);
    EXPECT_EQ(checked.report, "XProtect Remediator scans completed in the last 3 days:\n\n" +
                                  kLinePrefix + "  " + kClean + "\n" + kLinePrefix + kWarning +
                                  kThreat + "\n");
}

TEST_F(CliCheck, AWarningSignInsideAMessageIsNotAWarning) {
    root.setControl("log.query.output", "[" + entry("NoThreatDetected in " + kWarning) + "]");

    const Checked checked = check({"check"});

    EXPECT_EQ(checked.status, 0);
    EXPECT_NE(checked.report.find(kWarning), std::string::npos);
}

struct FailureCase {
    const char* name;
    const char* control;
    const char* contents;
    /// What the report holds before the closing line.
    const char* report;
};

void PrintTo(const FailureCase& c, std::ostream* out) {
    *out << c.name;
}

class CliCheckFailure : public CliCheck, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(CliCheckFailure, IsPrintedAndExitsTwo) {
    root.setControl(GetParam().control, GetParam().contents);

    const Checked checked = check({"check", "--days", "5"});

    EXPECT_EQ(checked.status, 2);
    EXPECT_EQ(checked.report, GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliCheckFailure,
    ::testing::Values(FailureCase{"NonZeroStatus", "log.status", "1",
                                  "Error 1 when checking the log for XProtect Remediator scans."},
                      FailureCase{"KilledPartWay", "log.kill-after", "100",
                                  "Error 9 when checking the log for XProtect Remediator scans."},
                      FailureCase{"NotJson", "log.query.output", "not json",
                                  "XProtect Remediator scans completed in the last 5 days:\n\n"},
                      FailureCase{"EmptyOutput", "log.query.output", "",
                                  "XProtect Remediator scans completed in the last 5 days:\n\n"},
                      FailureCase{"NoArray", "log.query.output", "{\"timestamp\":\"x\"}",
                                  "XProtect Remediator scans completed in the last 5 days:\n\n"}),
    [](const ::testing::TestParamInfo<FailureCase>& param) { return param.param.name; });

TEST_F(CliCheck, MissingLogToolExitsTwoWithTheStartFailure) {
    root.removeFile(mac::kLogTool);

    const Checked checked = check({"check"});

    EXPECT_EQ(checked.status, 2);
    EXPECT_EQ(checked.report, "Error 127 when checking the log for XProtect Remediator scans.\n" +
                                  root.pathOf(mac::kLogTool) +
                                  " could not be started: No such file or directory.");
}

TEST_F(CliCheck, LogToolThatCannotBeRunExitsTwoWith126) {
    std::filesystem::permissions(root.pathOf(mac::kLogTool), std::filesystem::perms::owner_read);

    const Checked checked = check({"check"});

    EXPECT_EQ(checked.status, 2);
    EXPECT_EQ(checked.report, "Error 126 when checking the log for XProtect Remediator scans.\n" +
                                  root.pathOf(mac::kLogTool) +
                                  " could not be started: Permission denied.");
}

class CliRunCommand : public ::testing::Test {
protected:
    test::TempSimRoot root;
    void SetUp() override { root.setControl("xprotect.duration", "0"); }
};

TEST_F(CliRunCommand, CompletedRunPrintsTheNotice) {
    const CliRun run = runCli({"run"}, root.path());

    EXPECT_EQ(run.result.ending, platform::CommandResult::Ending::Exited);
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.output, "\n\nXProtect Remediator has completed scanning.\n"
                                 "To see the results, click on the Check XProtect button.\n");
}

TEST_F(CliRunCommand, FailedRunPrintsTheErrorAndExitsTwo) {
    root.setControl("xprotect.status", "3");

    const CliRun run = runCli({"run"}, root.path());

    EXPECT_EQ(run.result.status, 2);
    EXPECT_EQ(run.result.output, "\n\nError 3 when running XProtect Remediator scans.\n");
}

TEST_F(CliRunCommand, ScannerThatCannotBeRunExitsTwoWithTheStartFailure) {
    const std::string scanner = root.pathOf(mac::kXProtectExecutable);
    std::filesystem::permissions(scanner, std::filesystem::perms::owner_read);

    const CliRun run = runCli({"run"}, root.path());

    EXPECT_EQ(run.result.status, 2);
    EXPECT_EQ(run.result.output, "\n\nError 126 when running XProtect Remediator scans.\n" +
                                     scanner + " could not be started: Permission denied.\n");
}

TEST_F(CliRunCommand, MissingScannerExitsThreeAndSaysSoOnStandardError) {
    const std::string scanner = root.pathOf(mac::kXProtectExecutable);
    root.removeFile(mac::kXProtectExecutable);

    const CliRun run = runCli({"run"}, root.path());

    EXPECT_EQ(run.result.status, 3);
    EXPECT_EQ(run.result.output, "");
    EXPECT_EQ(run.errorOutput,
              "XProtect Remediator is not installed: no file at " + scanner + "\n");
}

TEST(CliDoctor, AllChecksPassOnTheSimulatedMac) {
    const test::TempSimRoot root;
    const CliRun run = runCli({"doctor"}, root.path());
    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.output, "checkAdmin ok\ncheckPersist ok\ncheckTimesync ok\n"
                                 "checkLogEntries ok\ncheckLogTimeFormat ok\n");
}

TEST(CliDoctor, RunsEveryCheckAndIndentsEachLineOfAFailuresMessage) {
    const test::TempSimRoot root;
    root.setControl("id.groups", "20 12");
    root.emptyFolder("/var/db/diagnostics/timesync");
    root.setControl("log.json.output", "[]");
    const CliRun run = runCli({"doctor"}, root.path());
    EXPECT_EQ(run.result.status, 1);
    EXPECT_EQ(run.result.output,
              "checkAdmin failed\n"
              "  Scanbrook can't get logs unless you're an admin user.\n"
              "  Please switch to an admin account and try again.\n"
              "checkPersist ok\n"
              "checkTimesync failed\n"
              "  Scanbrook can't find log timesync files on your Mac.\n"
              "checkLogEntries ok\n"
              "checkLogTimeFormat failed\n"
              "  Log time format is incorrect.\n"
              "  Please set the time in the Language & Region pane to 24-hour.\n");
}

class CliUsageErrorRun : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(CliUsageErrorRun, PrintsTheReasonAndTheUsageOnStandardErrorAndExits64) {
    const CliRun run = runCli(GetParam(), test::builtSimRoot());

    EXPECT_EQ(run.result.status, 64);
    EXPECT_EQ(run.result.output, "");
    const std::size_t lineEnd = run.errorOutput.find('\n');
    ASSERT_NE(lineEnd, std::string::npos) << run.errorOutput;
    EXPECT_TRUE(run.errorOutput.starts_with("scanbrook-cli: ")) << run.errorOutput;
    EXPECT_GT(lineEnd, std::string_view("scanbrook-cli: ").size());
    EXPECT_EQ(run.errorOutput.substr(lineEnd + 1), usageText());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliUsageErrorRun,
    ::testing::Values(std::vector<std::string>{}, std::vector<std::string>{"scan"},
                      std::vector<std::string>{"check", "--verbose"},
                      std::vector<std::string>{"check", "--days", "1.5"},
                      std::vector<std::string>{"check", "--days"},
                      std::vector<std::string>{"check", "--days=3", "--days=3"},
                      std::vector<std::string>{"run", "--days", "3"}));

TEST(CliProgram, HelpPrintsTheUsageOnStandardOutput) {
    const CliRun run = runCli({"--help"}, test::builtSimRoot());

    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.output, usageText());
    EXPECT_EQ(run.errorOutput, "");
}

TEST(CliProgram, VersionPrintsTheProgramAndItsVersion) {
    const CliRun run = runCli({"--version"}, test::builtSimRoot());

    EXPECT_EQ(run.result.status, 0);
    EXPECT_EQ(run.result.output, "scanbrook-cli " + std::string(build::kVersion) + "\n");
    EXPECT_EQ(run.errorOutput, "");
}

} // namespace
} // namespace scanbrook::cli
