// Closing the window in the middle of many checks and runs ends the application at once and
// without a crash, even though some of the work it started will not end for an hour. The
// application runs as a child process (tests/faults/WindowCloseChild.cpp), so that its exit,
// with worker threads still running, is the real one.

#include "faults/FaultSupport.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;

/// Ends the log tools still running from the private root `root`, found by the program they
/// run; nothing else is touched.
void endToolsRunningFrom(const test::TempSimRoot& root) {
    const fs::path tool = root.pathOf(std::string(mac::kLogTool));
    std::error_code error;
    for (const auto& entry : fs::directory_iterator("/proc", error)) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::error_code linkError;
        if (fs::read_symlink(entry.path() / "exe", linkError) == tool) {
            ::kill(static_cast<pid_t>(std::stol(name)), SIGKILL);
        }
    }
}

TEST(WindowClose, InTheMiddleOfFiftyPressesEndsTheApplicationAtOnceWithoutACrash) {
    test::TempSimRoot root;
    root.setControl("log.delay", "random:0-100");
    root.setControl("xprotect.duration", "0.05");
    const test::ScratchFolder scratch;
    const test::ScopedEnvironment simRoot{platform::kPlatformRootVariable, root.path()};
    const test::ScopedEnvironment settings{"XDG_CONFIG_HOME", scratch.path()};
    const test::ScopedEnvironment offscreen{"QT_QPA_PLATFORM", std::string("offscreen")};
    const std::string errors = scratch.file("stderr.txt");
    // The launch checks pass on the simulated Mac; the update check stays off the network.
    test::writeFile(scratch.file("Scanbrook/Scanbrook.conf"), "[General]\nnoUpdateCheck=true\n");

    // The checks that wait an hour for the log tool would hold the exit for that long if it
    // waited for them; the test runner's time limit turns that into a failure.
    const platform::CommandResult app = platform::runCommand(WINDOW_CLOSE_CHILD, {errors});
    endToolsRunningFrom(root);

    EXPECT_EQ(app.ending, platform::CommandResult::Ending::Exited)
        << "ended by signal " << app.status << "\n"
        << test::fileContents(errors);
    EXPECT_EQ(app.status, 0) << test::fileContents(errors);
    EXPECT_NE(app.output.find("event loop ended"), std::string::npos) << app.output;
}

} // namespace
} // namespace scanbrook
