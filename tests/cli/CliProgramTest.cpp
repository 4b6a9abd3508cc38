// The built scanbrook-cli, run as a script would run it, against private copies of the
// simulated Mac: what it prints and the exit status that says how things went.
#include "cli/CliArguments.h"
#include "platform/Bundle.h"
#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "support/SimRoot.h"
#include "support/Texts.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace scanbrook::cli {
namespace {

using Root = test::TempSimRoot;
namespace fs = std::filesystem;

constexpr const char* kTime = "2024-03-05 09:41:07.123456+0000";

/// A log entry of a scanner as the log tool writes it, with `message` as JSON text.
std::string object(const std::string& message, const std::string& scanner = "Pirrit",
                   const std::string& timestamp = kTime) {
    return R"({"timestamp":")" + timestamp +
           R"(","senderImagePath":"\/Library\/)"
           R"(XProtectRemediator)" +
           scanner + R"(","eventMessage":")" + message + "\"}";
}

/// The log's timestamp of a moment `hoursAgo` before now, in UTC: a summary made now finds it
/// fresh or stale as the test needs.
std::string timestampAgo(int hoursAgo) {
    using namespace std::chrono;
    const auto t = floor<seconds>(system_clock::now()) - hours(hoursAgo);
    const auto day = floor<days>(t);
    const year_month_day date(day);
    const long long second = (t - day).count();
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02lld:%02lld:%02lld.000000+0000",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), second / 3600, second / 60 % 60, second % 60);
    return text;
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
    // In ROOT/out with a umask that shows: what --output makes is where the test looks.
    std::vector<std::string> arguments{
        "-c",
        "mkdir -p \"$CLI_TEST_ROOT/out\" && cd \"$CLI_TEST_ROOT/out\" "
        "&& umask 027 && exec \"$0\" \"$@\" 2>\"$CLI_TEST_ROOT/stderr\"",
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
    std::string output;      ///< a check's without its closing line; "ROOT" stands for the root,
                             ///< "VERSION" for its scanner's version
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
    const std::string recent = timestampAgo(1);
    const std::string old = timestampAgo(2);
    // "--days=45" is clamped like the window's period. The doctor runs every check whatever
    // fails and indents each line of a failure's message.
    const ProgramCase cases[] = {
        row("CleanLine", control("log.query.output", entry(R"({\"status_code\":0,\"x\":1})")),
            {"check", "--days=45"}, 0,
            "XProtect Remediator scans completed in the last 30 days:\n\n" + line +
                R"(  {"status_code":0,"x":1})" + "\n",
            "scanbrook-cli: --days 45 is outside 1 to 30; using 30\n"),
        row("AWarningLine", control("log.query.output", entry(R"({\"status_code\":1})")),
            {"check", "--days", "3"}, 1,
            "XProtect Remediator scans completed in the last 3 days:\n\n" + line +
                test::kWarningSign + R"({"status_code":1})" + "\n"),
        row("LogToolFails", control("log.status", "1"), {"check"}, 2, test::checkError(1),
            "scanbrook-cli: the log could not be read: " + test::checkError(1) + "\n"),
        row("LogOutputNoJson", control("log.query.output", "not json"), {"check"}, 2,
            "XProtect Remediator scans completed in the last day:\n\n",
            "scanbrook-cli: the log could not be read: the log tool's output is no JSON array of "
            "entries\n"),
        // In columns whatever the names' lengths; the protection's lines follow.
        row(
            "SummaryAThreatInColumns",
            [=](const Root& r) {
                r.setControl("log.query.output",
                             "[" + object(R"({\"status_code\":1})", "Pirrit", recent) + "," +
                                 object("NoThreatDetected", "Eicar", recent) + "," +
                                 object(R"({\"caused_by\":[\"\/tmp\/x\"]})", "Eicar", recent) +
                                 "]");
                r.removeFile(mac::kXProtectActiveData);
                r.removeFile(mac::kXProtectLegacyData);
                r.setControl("xprotect-tool.output", "Launch scans: disabled\n");
            },
            {"summary", "--days", "3"}, 5,
            "Threat found and not removed by Eicar on " + recent.substr(0, 23) +
                ": /tmp/x; 1 scan could not finish\n"
                "Scanner  Runs  Clean  Problems  Removed  Found  Last run                 Last "
                "result   Last status\n"
                "Eicar       2      1         0        0      1  " +
                recent.substr(0, 23) +
                "  threat_found  -\n"
                "Pirrit      1      0         1        0      0  " +
                recent.substr(0, 23) +
                "  scan_problem  -\n"
                "All         3      1         1        0      1\n"
                "Findings:\n"
                "  " +
                recent.substr(0, 23) +
                "  Eicar  threat_found  /tmp/x\n"
                "XProtect data in use: absent\n"
                "XProtect data from Software Update: absent\n"
                "Launch scans: disabled; background scans: unknown (xprotect status did not say "
                "it in the expected form)\n"
                "Note: XProtect's launch scans are disabled: apps are not checked for malware "
                "when they open\n"),
        row("SummaryStaleAfterAnHour",
            control("log.query.output", "[" + object("NoThreatDetected", "Eicar", old) + "]"),
            {"summary", "--stale-hours=1"}, 1,
            "Last scan 2 hours ago \u2014 XProtect Remediator may have stopped\n"),
        row("SummaryNoEvents", control("log.query.output", "[]"), {"summary", "--days=7"}, 4,
            "No scans found in the last 7 days \u2014 XProtect Remediator may not be running\n"),
        row("RunFails", control("xprotect.status", "3"), {"run"}, 2, test::runError(3),
            "scanbrook-cli: the scans failed: Error 3 when running XProtect Remediator scans.\n"),
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
                r.removeFile(mac::kXProtectActiveData);
                r.removeFile(mac::kXProtectLegacyData);
                r.removeFile(mac::kXProtectTool);
            },
            {"doctor"}, 1,
            "Admin group           failed\n"
            "  You are not in the admin group: run with sudo, or as an administrator.\n"
            "Log persistence       ok\nTime synchronisation  ok\nRecent log entries    ok\n"
            "Log time format       failed\n"
            "  The log's times are not in 24-hour form: run 'defaults write -g "
            "AppleICUForce24HourTime -bool true', or choose 24-hour time in System Settings > "
            "General > Language & Region.\n"
            "XProtect Remediator   installed, version VERSION\n"
            "XProtect (information):\n"
            "  XProtect data in use: absent\n"
            "  XProtect data from Software Update: absent\n"
            "  Launch scans: unknown; background scans: unknown (there is no xprotect tool "
            "(macOS 14 and earlier have none))\n")};
    // The usage on standard output when asked for; one line and a pointer to it on a mistake.
    const std::string usage(usageText());
    const std::pair<std::vector<std::string>, std::string> usageCases[] = {
        {{"-h"}, ""},
        {{"--help"}, ""},
        {{"help"}, ""},
        {{"summary", "--days", "3", "-h"}, ""},
        {{}, "no subcommand given"},
        {{"frobnicate"}, "unknown subcommand 'frobnicate'"},
        {{"run", "--days", "3"}, "unknown option '--days'"},
        {{"doctor", "--output", "x"}, "unknown option '--output'"},
        {{"check", "--days", "1.5"}, "--days needs a whole number of days, not '1.5'"},
        {{"check", "--output", "a", "--output=b"}, "--output given more than once"},
        {{"--json", "check"}, "--json belongs after the check or summary subcommand"}};
    std::vector<ProgramCase> all(std::begin(cases), std::end(cases));
    for (const auto& [arguments, reason] : usageCases) {
        all.push_back(reason.empty()
                          ? row("Help", none, arguments, 0, usage)
                          : row(reason.c_str(), none, arguments, 64, "",
                                "scanbrook-cli: " + reason + "\nTry 'scanbrook-cli --help'.\n"));
    }
    for (const ProgramCase& c : all) {
        const Root root;
        root.setControl("xprotect.duration", "0");
        c.prepare(root);
        const auto [result, errorOutput] = runCli(root, c.arguments);
        std::string output = result.output;
        if (!c.arguments.empty() && c.arguments.at(0) == "check" && c.status != 64) {
            // A check ends with the closing line, "\nScanned at " and a 20-character date.
            const std::size_t closing = output.size() < 33 ? 0 : output.size() - 33;
            EXPECT_EQ(output.substr(closing, 12), "\nScanned at ") << c.name;
            output.resize(closing);
        }
        if (!c.arguments.empty() && c.arguments.at(0) == "summary" &&
            c.output.find('\n') + 1 == c.output.size()) {
            // Only the verdict line matters here.
            output.resize(output.find('\n') + 1);
        }
        const auto withRoot = [&](std::string text) {
            for (std::size_t at; (at = text.find("ROOT")) != std::string::npos;) {
                text.replace(at, 4, root.path());
            }
            if (const std::size_t at = text.find("VERSION"); at != std::string::npos) {
                text.replace(at, 7,
                             platform::bundleShortVersion(root.pathOf(mac::kXProtectBundle))
                                 .value_or("none"));
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
}

/// --output (run in the folder "out") replaces a regular file whole, through a temporary file
/// beside it that never stays: a link's target, a name of the longest length, a new file with
/// the umask's mode (027 here), an old one with its own. Anything else fails with 74, untouched.
TEST(CliProgram, OutputReplacesARegularFileWholeOrFailsWith74) {
    const std::string longest(255, 'n');
    // "f" first (a file mode 0600, a link to one, ...), the --output value, the exit status, the
    // reason on standard error, the file that gets the document ("-": standard output), its mode.
    const std::tuple<std::string, std::string, int, std::string, std::string, mode_t> cases[] = {
        {"0600", "f", 4, "", "f", 0600},
        {"", "f", 4, "", "f", 0640},
        {"", longest, 4, "", longest, 0640},
        {"link", "f", 4, "", "d/f", 0600},
        {"dangling", "f", 4, "", "new", 0640},
        {"", "-", 4, "", "-", 0},
        {"fifo", "f", 74, "f: it is a FIFO, not a regular file", "", 0},
        {"socket", "f", 74, "f: it is a socket, not a regular file", "", 0},
        {"folder", "f", 74, "f: it is a directory, not a regular file", "", 0},
        {"", "/dev/null", 74, "/dev/null: it is a character device, not a regular file", "", 0},
        {"", "d/f", 74, "d/f (creating a temporary file beside it): No such file or directory", "",
         0}};
    for (const auto& [kind, path, status, reason, written, mode] : cases) {
        const Root root;
        root.setControl("log.query.output", "[]");
        const std::string dir = root.pathOf("/out"), f = dir + "/f";
        fs::create_directories(kind == "folder" ? f : dir);
        if (kind == "0600" || kind == "link") {
            test::writeFile(dir + "/" + written, "an older and longer one");
            fs::permissions(dir + "/" + written, fs::perms(0600));
        }
        if (kind == "link" || kind == "dangling") {
            fs::create_symlink(kind == "link" ? "d/f" : "new", f);
        } else if (kind == "fifo" || kind == "socket") {
            ASSERT_EQ(::mknod(f.c_str(), (kind == "fifo" ? S_IFIFO : S_IFSOCK) | 0644, 0), 0);
        }
        const auto count = [&dir] {
            return std::distance(fs::recursive_directory_iterator(dir), {});
        };
        const auto expected = count() + (mode != 0 && !fs::exists(dir + "/" + written));
        const CliRun run = runCli(root, {"summary", "--json", "--output", path});
        EXPECT_EQ(run.result.status, status) << kind << path;
        EXPECT_EQ(run.errorOutput,
                  reason.empty() ? "" : "scanbrook-cli: could not write " + reason + "\n");
        const std::string document = written == "-"  ? run.result.output
                                     : written == "" ? ""
                                                     : test::readFile(dir + "/" + written).value();
        EXPECT_EQ(document.starts_with(R"({"format_version":1,)") && document.ends_with("[]}\n"),
                  !written.empty())
            << kind << path << ": " << document;
        EXPECT_EQ(mode ? fs::status(dir + "/" + written).permissions() : fs::perms(0),
                  fs::perms(mode))
            << kind << path;
        EXPECT_EQ(count(), expected) << kind << path << ": a file left over or missing";
    }
}

} // namespace
} // namespace scanbrook::cli
