// Closing the window in the middle of many checks and runs ends the application at once and
// without a crash, even though some of the work it started will not end for an hour. The
// application runs as a child process (WindowCloseChild.cpp), so that its exit, with worker
// threads still running, is the real one.

#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <csignal>

namespace scanbrook {
namespace {

TEST(WindowClose, InTheMiddleOfFiftyPressesEndsTheApplicationAtOnceWithoutACrash) {
#if !defined(__linux__)
    GTEST_SKIP() << "would leave log tools running for an hour: only Linux has /proc to find "
                    "and end them";
#endif
    test::TempSimRoot root;
    root.setControl("log.delay", "random:0-100");
    root.setControl("xprotect.duration", "0.05");
    const test::TempFolder scratch;
    const test::ScopedEnvironment simRoot{platform::kPlatformRootVariable, root.path()};
    const test::ScopedEnvironment settings{"XDG_CONFIG_HOME", scratch.path()};
    const test::ScopedEnvironment offscreen{"QT_QPA_PLATFORM", "offscreen"};
    // The launch checks pass on the simulated Mac; the update check stays off the network.
    test::writeFile(scratch.file("Scanbrook/Scanbrook.conf"), "[General]\nnoUpdateCheck=true\n");

    // The checks that wait an hour for the log tool would hold the exit for that long if it
    // waited for them; the child's own watchdog ends it with status 4 after a minute.
    const std::string errors = scratch.file("stderr.txt");
    const platform::CommandResult app = platform::runCommand(WINDOW_CLOSE_CHILD, {errors});

#if defined(__linux__)
    // Ends the log tools still running from this private root, and nothing else.
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::error_code notAProcess;
        if (std::filesystem::read_symlink(entry.path() / "exe", notAProcess) ==
            root.pathOf(mac::kLogTool)) {
            ::kill(static_cast<pid_t>(std::stol(entry.path().filename().string())), SIGKILL);
        }
    }
#endif

    EXPECT_TRUE(app.ending == platform::CommandResult::Ending::Exited && app.status == 0)
        << "status or signal " << app.status << "\n"
        << test::readFile(errors).value_or("");
    EXPECT_NE(app.output.find("event loop ended"), std::string::npos) << app.output;
}

} // namespace
} // namespace scanbrook
