// The built scanbrook-cli, run as a script would run it, against private copies of the
// simulated Mac. A few representative runs per subcommand: the report's rules are proven in the
// reports tests.
#include "cli/CliArguments.h"
#include "platform/BuildInfo.h"
#include "platform/Clock.h"
#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "reports/ReportTexts.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <functional>
#include <regex>
#include <string>
#include <unistd.h>
#include <vector>

namespace scanbrook::cli {
namespace {

using Root = test::TempSimRoot;

struct CliRun {
    platform::CommandResult result;
    std::string errorOutput;
};

/// Runs scanbrook-cli on `root`, keeping what it writes on standard error: the child inherits
/// ours, so it points at a file for the length of the run.
CliRun runCli(const std::vector<std::string>& arguments, const std::string& root) {
    const test::ScopedEnvironment environment(platform::kPlatformRootVariable, root);
    const test::TempFolder folder;
    std::fflush(stderr);
    const int savedError = ::dup(STDERR_FILENO);
    std::FILE* capture = std::fopen(folder.file("stderr").c_str(), "w");
    ::dup2(::fileno(capture), STDERR_FILENO);
    CliRun run{platform::runCommand(SCANBROOK_CLI_PATH, arguments), {}};
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
    std::fclose(capture);
    run.errorOutput = test::readFile(folder.file("stderr")).value_or("");
    return run;
}

std::string dateTextNow() {
    return reports::lastCheckDateText(platform::SystemClock().now());
}

/// A log entry of the Pirrit scanner as the log tool writes it, with `message` as JSON text.
std::string entry(const std::string& message) {
    return R"({"timestamp":"2024-03-05 09:41:07.123456+0000","senderImagePath":"\/Library\/)"
           R"(Apple\/System\/Library\/CoreServices\/XProtect.app\/Contents\/MacOS\/)"
           R"(XProtectRemediatorPirrit","eventMessage":")" +
           message + "\"}";
}

const std::string kLine = "2024-03-05 09:41:07.123  Pirrit        ";
const std::string kWarning = "\xE2\x9A\xA0\xEF\xB8\x8F";

struct ProgramCase {
    const char* name;
    std::function<void(const Root&)> prepare;
    std::vector<std::string> arguments;
    int status;
    std::string output; ///< a check's without its closing line; "ROOT" stands for the root
    std::string errorOutput = {};
};

class CliProgram : public ::testing::TestWithParam<ProgramCase> {};

TEST_P(CliProgram, PrintsAndExitsAsDocumented) {
    const ProgramCase& c = GetParam();
    const Root root;
    root.setControl("xprotect.duration", "0");
    c.prepare(root);
    const std::string before = dateTextNow();
    const CliRun run = runCli(c.arguments, root.path());
    const std::string after = dateTextNow();

    std::string output = run.result.output;
    if (c.arguments.at(0) == "check") {
        // A check ends with the closing line, dated at the run, and one line feed.
        static const std::regex closing(
            "\nScanned at (\\d{4}-\\d\\d-\\d\\dT\\d\\d_\\d\\d_\\d\\dZ)\n$");
        std::smatch match;
        ASSERT_TRUE(std::regex_search(output, match, closing)) << output;
        EXPECT_LE(before, match[1].str());
        EXPECT_LE(match[1].str(), after);
        output.resize(static_cast<std::size_t>(match.position(0)));
    }
    const auto withRoot = [&](std::string text) {
        for (std::size_t at; (at = text.find("ROOT")) != std::string::npos;) {
            text.replace(at, 4, root.path());
        }
        return text;
    };
    EXPECT_EQ(run.result.ending, platform::CommandResult::Ending::Exited);
    EXPECT_EQ(run.result.status, c.status);
    EXPECT_EQ(output, withRoot(c.output));
    EXPECT_EQ(run.errorOutput, withRoot(c.errorOutput));
}

using Preparation = std::function<void(const Root&)>;

ProgramCase program(const char* name, Preparation prepare, std::vector<std::string> arguments,
                    int status, std::string output, std::string errorOutput = {}) {
    return {name,   std::move(prepare), std::move(arguments),
            status, std::move(output),  std::move(errorOutput)};
}
const Preparation kIntact = [](const Root&) {};
Preparation control(const char* name, std::string value) {
    return [=](const Root& root) { root.setControl(name, value); };
}
Preparation removed(std::string_view path) {
    return [=](const Root& root) { root.removeFile(path); };
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliProgram,
    ::testing::Values(
        program("CheckDefaultsToOneDay", control("log.query.output", "[]"), {"check"}, 0,
                "No XProtect Remediator scan log messages found in the last day."),
        program("CleanLines",
                control("log.query.output", "[" + entry(R"({\"status_code\":0,\"x\":1})") + ",\n" +
                                                entry("NoThreatDetected in " + kWarning) + "]"),
                {"check", "--days=2"}, 0,
                "XProtect Remediator scans completed in the last 2 days:\n\n" + kLine +
                    R"(  {"status_code":0,"x":1})" + "\n" + kLine + "  NoThreatDetected in " +
                    kWarning + "\n"),
        program("AWarningLine",
                control("log.query.output", "[" + entry(R"({\"status_code\":1})") + "]"),
                {"check", "--days", "3"}, 1,
                "XProtect Remediator scans completed in the last 3 days:\n\n" + kLine + kWarning +
                    R"({"status_code":1})" + "\n"),
        program("LogToolFails", control("log.status", "1"), {"check", "--days", "5"}, 2,
                "Error 1 when checking the log for XProtect Remediator scans."),
        program("LogOutputNoJson", control("log.query.output", "not json"),
                {"check", "--days", "5"}, 2,
                "XProtect Remediator scans completed in the last 5 days:\n\n"),
        program("NoLogTool", removed(mac::kLogTool), {"check"}, 2,
                "Error 127 when checking the log for XProtect Remediator scans.\nROOT" +
                    std::string(mac::kLogTool) +
                    " could not be started: No such file or directory."),
        program("RunCompletes", kIntact, {"run"}, 0,
                "\n\nXProtect Remediator has completed scanning.\n"
                "To see the results, click on the Check XProtect button.\n"),
        program("RunFails", control("xprotect.status", "3"), {"run"}, 2,
                "\n\nError 3 when running XProtect Remediator scans.\n"),
        program("NoScanner", removed(mac::kXProtectExecutable), {"run"}, 3, "",
                "XProtect Remediator is not installed: no file at ROOT" +
                    std::string(mac::kXProtectExecutable) + "\n"),
        program("DoctorAllPass", kIntact, {"doctor"}, 0,
                "checkAdmin ok\ncheckPersist ok\ncheckTimesync ok\ncheckLogEntries ok\n"
                "checkLogTimeFormat ok\n"),
        // Every check runs whatever fails; each line of a failure's message is indented.
        program(
            "DoctorFailures",
            [](const Root& r) {
                r.setControl("id.groups", "20 12");
                r.emptyFolder("/var/db/diagnostics/timesync");
                r.setControl("log.json.output", "[]");
            },
            {"doctor"}, 1,
            "checkAdmin failed\n"
            "  Scanbrook can't get logs unless you're an admin user.\n"
            "  Please switch to an admin account and try again.\n"
            "checkPersist ok\n"
            "checkTimesync failed\n"
            "  Scanbrook can't find log timesync files on your Mac.\n"
            "checkLogEntries ok\n"
            "checkLogTimeFormat failed\n"
            "  Log time format is incorrect.\n"
            "  Please set the time in the Language & Region pane to 24-hour.\n"),
        program("UsageError", kIntact, {"run", "--days", "3"}, 64, "",
                "scanbrook-cli: unknown option '--days'\n" + std::string(usageText())),
        program("Help", kIntact, {"--help"}, 0, std::string(usageText())),
        program("Version", kIntact, {"--version"}, 0,
                "scanbrook-cli " + std::string(build::kVersion) + "\n")),
    [](const auto& param) { return std::string(param.param.name); });

TEST(CliProgram, AReportThatCannotBeWrittenEndsWithStatus74) {
    const Root root;
    const test::ScopedEnvironment environment(platform::kPlatformRootVariable, root.path());
    // Standard output closed: the report's write fails.
    const platform::CommandResult result = platform::runCommand(
        "/bin/sh", {"-c", "exec \"$0\" check >&- 2>/dev/null", SCANBROOK_CLI_PATH});
    EXPECT_EQ(result.status, 74);
    EXPECT_NE(usageText().find("74 the output could not be written"), std::string_view::npos);
}

} // namespace
} // namespace scanbrook::cli
