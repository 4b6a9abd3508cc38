// The built scanbrook-cli, run as a script would run it, against private copies of the
// simulated Mac: what it prints and the exit status that says how things went.
#include "cli/CliArguments.h"
#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "support/SimRoot.h"
#include "support/Texts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace scanbrook::cli {
namespace {

using Root = test::TempSimRoot;

/// A log entry of a scanner as the log tool writes it, with `message` as JSON text.
std::string object(const std::string& message, const std::string& scanner = "Pirrit") {
    return R"({"timestamp":"2024-03-05 09:41:07.123456+0000","senderImagePath":"\/Library\/)"
           R"(XProtectRemediator)" +
           scanner + R"(","eventMessage":")" + message + "\"}";
}

/// The log tool's output of one Pirrit entry.
std::string entry(const std::string& message) {
    return "[" + object(message) + "]";
}

struct CliRun {
    platform::CommandResult result;
    std::string errorOutput;
};

/// Runs scanbrook-cli on `root` with standard error in a file of its own, through the shell
/// that starts the program.
CliRun runCli(const Root& root, const std::vector<std::string>& cliArguments) {
    const test::ScopedEnvironment environment(platform::kPlatformRootVariable, root.path());
    std::vector<std::string> arguments{"-c", "exec \"$0\" \"$@\" 2>\"$CLI_TEST_ROOT/stderr\"",
                                       SCANBROOK_CLI_PATH};
    arguments.insert(arguments.end(), cliArguments.begin(), cliArguments.end());
    const test::ScopedEnvironment rootForTheShell("CLI_TEST_ROOT", root.path());
    CliRun run{platform::runCommand("/bin/sh", arguments), {}};
    run.errorOutput = test::readFile(root.pathOf("/stderr")).value_or("");
    return run;
}

struct ProgramCase {
    const char* name;
    std::function<void(const Root&)> prepare;
    std::vector<std::string> arguments;
    int status;
    std::string output;      ///< a check's without its closing line; "ROOT" stands for the root
    std::string errorOutput; ///< the same for standard error
};

TEST(CliProgram, PrintsAndExitsAsDocumented) {
    const auto control = [](const char* name, std::string value) {
        return [=](const Root& root) { root.setControl(name, value); };
    };
    const std::string line = "2024-03-05 09:41:07.123  Pirrit        ";
    const auto row = [](const char* name, std::function<void(const Root&)> prepare,
                        std::vector<std::string> arguments, int status, std::string output,
                        std::string errorOutput = {}) {
        return ProgramCase{name,   std::move(prepare), std::move(arguments),
                           status, std::move(output),  std::move(errorOutput)};
    };
    const auto none = [](const Root&) {};
    // "--days=45" is clamped like the window's period. The doctor runs every check whatever
    // fails and indents each line of a failure's message.
    const ProgramCase cases[] = {
        row("CleanLine", control("log.query.output", entry(R"({\"status_code\":0,\"x\":1})")),
            {"check", "--days=45"}, 0,
            "XProtect Remediator scans completed in the last 30 days:\n\n" + line +
                R"(  {"status_code":0,"x":1})" + "\n"),
        row("AWarningLine", control("log.query.output", entry(R"({\"status_code\":1})")),
            {"check", "--days", "3"}, 1,
            "XProtect Remediator scans completed in the last 3 days:\n\n" + line +
                test::kWarningSign + R"({"status_code":1})" + "\n"),
        row("LogToolFails", control("log.status", "1"), {"check"}, 2, test::checkError(1)),
        row("LogOutputNoJson", control("log.query.output", "not json"), {"check"}, 2,
            "XProtect Remediator scans completed in the last day:\n\n"),
        row("SummaryWarningsFromTwoScanners",
            control("log.query.output", "[" + object(R"({\"status_code\":1})") + "," +
                                            object("NoThreatDetected", "Eicar") + "," +
                                            object(R"({\"status_code\":30})", "Eicar") + "]"),
            {"summary", "--days", "3"}, 1,
            "2 warning(s) in the last 3 days\n"
            "Eicar  runs 2  last 2024-03-05 09:41:07.123  warning  warnings 1\n"
            "Pirrit  runs 1  last 2024-03-05 09:41:07.123  warning  warnings 1\n"),
        row("SummaryNoEvents", control("log.query.output", "[]"), {"summary", "--days=7"}, 4,
            "No scans found in the last 7 days \u2014 XProtect Remediator may not be running\n"),
        row("RunFails", control("xprotect.status", "3"), {"run"}, 2, test::runError(3)),
        row(
            "NoScanner", [](const Root& r) { r.removeFile(mac::kXProtectExecutable); }, {"run"}, 3,
            "",
            "XProtect Remediator is not installed: no file at ROOT" +
                std::string(mac::kXProtectExecutable) + "\n"),
        row(
            "DoctorFailures",
            [](const Root& r) {
                r.setControl("id.groups", "20 12");
                r.setControl("log.json.output", "[]");
            },
            {"doctor"}, 1,
            "checkAdmin failed\n"
            "  Scanbrook can't get logs unless you're an admin user.\n"
            "  Please switch to an admin account and try again.\n"
            "checkPersist ok\ncheckTimesync ok\ncheckLogEntries ok\n"
            "checkLogTimeFormat failed\n"
            "  Log time format is incorrect.\n"
            "  Please set the time in the Language & Region pane to 24-hour.\n"),
        row("UsageError", none, {"run", "--days", "3"}, 64, "",
            "scanbrook-cli: unknown option '--days'\n" + std::string(usageText())),
        row("NotANumber", none, {"check", "--days", "1.5"}, 64, "",
            "scanbrook-cli: --days needs a whole number of days, not '1.5'\n" +
                std::string(usageText()))};
    for (const ProgramCase& c : cases) {
        const Root root;
        root.setControl("xprotect.duration", "0");
        c.prepare(root);
        const auto [result, errorOutput] = runCli(root, c.arguments);
        std::string output = result.output;
        if (c.arguments.at(0) == "check" && c.status != 64) {
            // A check ends with the closing line, "\nScanned at " and a 20-character date.
            const std::size_t closing = output.size() < 33 ? 0 : output.size() - 33;
            EXPECT_EQ(output.substr(closing, 12), "\nScanned at ") << c.name;
            output.resize(closing);
        }
        const auto withRoot = [&](std::string text) {
            for (std::size_t at; (at = text.find("ROOT")) != std::string::npos;) {
                text.replace(at, 4, root.path());
            }
            return text;
        };
        EXPECT_EQ(result.status, c.status) << c.name;
        EXPECT_EQ(output, withRoot(c.output)) << c.name;
        EXPECT_EQ(errorOutput, withRoot(c.errorOutput)) << c.name;
    }
}

TEST(CliProgram, AReportThatCannotBeWrittenEndsWithStatus74) {
    const Root root;
    const test::ScopedEnvironment environment(platform::kPlatformRootVariable, root.path());
    // Standard output closed: the report's write fails.
    const platform::CommandResult result = platform::runCommand(
        "/bin/sh", {"-c", "exec \"$0\" check >&- 2>/dev/null", SCANBROOK_CLI_PATH});
    EXPECT_EQ(result.status, 74);
    EXPECT_NE(usageText().find("74 the output could not be written"), std::string_view::npos);
}

/// --output replaces the file whole through a temporary file beside it, or fails with 74.
TEST(CliProgram, OutputReplacesTheFileWholeOrFailsWith74) {
    const Root root;
    root.setControl("log.query.output", "[]");
    const test::TempFolder folder;
    const std::string path = folder.file("summary.json");
    test::writeFile(path, "an older and longer summary");

    const CliRun written = runCli(root, {"summary", "--json", "--output", path});
    EXPECT_EQ(written.result.status, 4);
    EXPECT_EQ(written.result.output, "");
    EXPECT_EQ(written.errorOutput, "");
    const std::string document = test::readFile(path).value_or("");
    EXPECT_TRUE(document.starts_with(R"({"format_version":1,"period_days":1,)")) << document;
    EXPECT_TRUE(document.ends_with(R"("error":null,"scanners":[]})"
                                   "\n"))
        << document;
    std::vector<std::string> files;
    for (const auto& file : std::filesystem::directory_iterator(folder.path())) {
        files.push_back(file.path().filename().string());
    }
    EXPECT_EQ(files, std::vector<std::string>{"summary.json"});

    const std::string missing = folder.file("no-such-folder/summary.json");
    const CliRun failed = runCli(root, {"check", "--json", "--output", missing});
    EXPECT_EQ(failed.result.status, 74);
    EXPECT_EQ(failed.errorOutput, "scanbrook-cli: could not write " + missing +
                                      " (creating a temporary file beside it): No such file or "
                                      "directory\n");
}

} // namespace
} // namespace scanbrook::cli
