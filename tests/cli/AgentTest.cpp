// scanbrook-cli agent against the simulated Mac's launchctl: what each step prints and what it
// leaves in the user's folders and in launchd's loaded state.
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/UserInfo.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace scanbrook::cli {
namespace {

using Root = test::TempSimRoot;
namespace fs = std::filesystem;

constexpr const char* kHome = "/Users/tester";
const std::string kList = "/Users/tester/Library/LaunchAgents/org.scanbrook.Scanbrook.record.plist";

struct Step {
    std::vector<std::string> arguments;
    int status;
    std::string says; ///< found in standard output or standard error
    std::function<void(const Root&)> before = {};
    std::string program = SCANBROOK_CLI_PATH;
};

struct AgentCase {
    const char* name;
    std::vector<Step> steps;
    /// The user's folders and launchd's state hold nothing of the agent at the end.
    bool leavesNothing;
};

/// Runs `program` (an agent's steps) with the tester's home and user ID on `root`.
std::string run(const Root& root, const Step& step, int& status) {
    const test::UsingPlatformRoot usingRoot(root.path());
    const test::ScopedEnvironment home("HOME", kHome);
    std::vector<std::string> arguments{"-c", "exec \"$0\" \"$@\" 2>\"$HOME_ROOT/stderr\"",
                                       step.program};
    arguments.insert(arguments.end(), step.arguments.begin(), step.arguments.end());
    const test::ScopedEnvironment rootForTheShell("HOME_ROOT", root.path());
    const platform::CommandResult result = platform::runCommand("/bin/sh", arguments);
    status = result.status;
    return result.output + test::readFile(root.pathOf("/stderr")).value_or("");
}

bool holdsNothing(const std::string& folder) {
    return !fs::exists(folder) || fs::is_empty(folder);
}

TEST(CliAgent, InstallsRemovesAndSaysHowItStands) {
    const auto control = [](std::string name, std::string value) {
        return [=](const Root& root) { root.setControl(name, value); };
    };
    const test::TempFolder apps("scanbrook-moved-app");
    const std::string movedCli = apps.file("Old/scanbrook-cli");
    const auto copyCli = [&](const Root&) {
        fs::create_directories(fs::path(movedCli).parent_path());
        fs::copy_file(SCANBROOK_CLI_PATH, movedCli, fs::copy_options::overwrite_existing);
    };
    const auto moveApp = [&](const Root&) { fs::remove_all(fs::path(movedCli).parent_path()); };
    const std::vector<Step> roundTrip = {
        {{"agent", "status"}, 3, "Background agent: not installed"},
        {{"agent", "install"}, 0, "Installed the background agent: " SCANBROOK_CLI_PATH " record"},
        {{"agent", "install"}, 0, "already installed and loaded"},
        {{"agent", "status"}, 0, "Program: " SCANBROOK_CLI_PATH " record, at login and every 6"},

        {{"agent", "remove"}, 0, "Removed the background agent"},
        {{"agent", "remove"}, 0, "The background agent is not installed."},
    };
    std::vector<Step> twice = roundTrip;
    twice.insert(twice.end(), roundTrip.begin(), roundTrip.end());
    const AgentCase cases[] = {
        {"RoundTripTwice", twice, true},
        {"SaysWhenTheLedgerLastRecorded",
         {{{"agent", "status"}, 3, "Last recorded: never"},
          {{"record"}, 0, "Recorded "},
          {{"agent", "status"}, 3, "\nLast recorded: 20"}},
         true},
        {"BootstrapFails",
         {{{"agent", "install"},
           2,
           "launchctl bootstrap failed with status 5. The background agent is not installed.",
           control("launchctl.bootstrap.status", "5")},
          {{"agent", "status"}, 3, "not installed"}},
         true},
        {"PrintFailsSoNothingChanges",
         {{{"agent", "install"},
           2,
           "launchctl print failed with status 1; nothing was changed",
           control("launchctl.print.status", "1")}},
         true},
        {"BootoutFailsSoItStays",
         {{{"agent", "install"}, 0, "Installed"},
          {{"agent", "remove"},
           2,
           "bootout failed with status 9. The background agent is still",
           control("launchctl.bootout.status", "9")},
          {{"agent", "status"},
           0,
           "installed and loaded",
           [](const Root& root) { root.removeFile("/sim/control/launchctl.bootout.status"); }},
          {{"agent", "remove"}, 0, "Removed"}},
         true},
        {"MovedProgram",
         {{{"agent", "install"},
           0,
           "Installed the background agent: " + movedCli,
           copyCli,
           movedCli},
          {{"agent", "status"},
           1,
           "Program: " + movedCli + " is gone (was Scanbrook moved?)",
           moveApp},
          {{"agent", "install"}, 0, "Installed the background agent: " SCANBROOK_CLI_PATH},
          {{"agent", "status"}, 0, "installed and loaded"},
          {{"agent", "remove"}, 0, "Removed"}},
         true},
        {"AsRoot",
         {{{"agent", "install"},
           77,
           "install the LaunchDaemon described in docs/fleet.md",
           [](const Root&) { ::setenv(platform::kUserIdVariable, "0", 1); }},
          {{"agent", "remove"}, 77, "docs/fleet.md"}},
         true},
        {"UnknownAction",
         {{{"agent", "start"}, 64, "agent takes one of install, remove or status"}},
         true},
    };
    for (const AgentCase& c : cases) {
        const Root root;
        root.removeFile("/sim/store/launchd");
        const test::ScopedEnvironment user(platform::kUserIdVariable, "501");
        for (std::size_t i = 0; i < c.steps.size(); ++i) {
            const Step& step = c.steps[i];
            if (step.before) {
                step.before(root);
            }
            int status = -1;
            const std::string said = run(root, step, status);
            EXPECT_EQ(status, step.status) << c.name << " step " << i << ": " << said;
            EXPECT_NE(said.find(step.says), std::string::npos)
                << c.name << " step " << i << ": " << said;
        }
        if (c.leavesNothing) {
            EXPECT_TRUE(holdsNothing(root.pathOf("/Users/tester/Library/LaunchAgents"))) << c.name;
            EXPECT_FALSE(fs::exists(root.pathOf("/Users/tester/Library/Logs/Scanbrook"))) << c.name;
            EXPECT_TRUE(holdsNothing(root.pathOf("/sim/store/launchd/gui-501"))) << c.name;
        }
    }
}

/// What launchd is handed: the sim's launchctl refuses a list with a key it does not know or a
/// value of the wrong kind, so this checks what the sim leaves open.
TEST(CliAgent, HandsLaunchdTheRecordingSchedule) {
    const Root root;
    root.removeFile("/sim/store/launchd");
    const test::ScopedEnvironment user(platform::kUserIdVariable, "501");
    int status = -1;
    run(root, {{"agent", "install"}, 0, ""}, status);
    ASSERT_EQ(status, 0);
    const std::string list = test::readFile(root.pathOf(kList)).value_or("");
    for (const std::string& entry : std::initializer_list<std::string>{
             "<key>Label</key>\n\t<string>org.scanbrook.Scanbrook.record</string>",
             "<key>StartInterval</key>\n\t<integer>21600</integer>",
             "<key>RunAtLoad</key>\n\t<true/>",
             "<key>ProcessType</key>\n\t<string>Background</string>",
             "<key>LowPriorityIO</key>\n\t<true/>",
             "<string>" SCANBROOK_CLI_PATH "</string>\n\t\t<string>record</string>",
             "<key>StandardErrorPath</key>\n\t<string>" + root.path() +
                 "/Users/tester/Library/Logs/Scanbrook/record.log</string>"}) {
        EXPECT_NE(list.find(entry), std::string::npos) << entry << "\n" << list;
    }
    EXPECT_TRUE(fs::is_directory(root.pathOf("/Users/tester/Library/Logs/Scanbrook")));
    const platform::CommandResult printed = platform::runCommand(
        root.pathOf("/bin/launchctl"), {"print", "gui/501/org.scanbrook.Scanbrook.record"});
    EXPECT_NE(printed.output.find("path = " + root.pathOf(kList)), std::string::npos)
        << printed.output;
}

} // namespace
} // namespace scanbrook::cli
