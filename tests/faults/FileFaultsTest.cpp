// A log folder that cannot be listed, a save folder that cannot be written (both as an
// unprivileged user, since root may do both) and a full device: the launch check and the save
// must say so rather than pass, crash or lose text silently.

#include "logaccess/deDysfunction.h"
#include "platform/Process.h"
#include "support/ControllerHarness.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;

/// Root may list and write every folder, so these tests run as somebody else: true when the body
/// may run here; as root, false after running this test as "nobody" in a copy of the program
/// through setpriv (util-linux) and checking that it passed, or skipping it where that fails.
bool runsHereUnprivileged() {
    if (::geteuid() != 0) {
        return true;
    }
#if defined(__linux__)
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const platform::CommandResult copy = platform::runCommand(
        "/usr/bin/setpriv",
        {"--reuid=nobody", "--regid=nogroup", "--clear-groups", self,
         std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()});
    if (copy.output.find("[ RUN      ]") == std::string::npos) {
        // Nobody also needs search permission on every folder above the program.
        [&] {
            GTEST_SKIP() << "cannot run as nobody: " << copy.startFailureText() << copy.output;
        }();
    } else {
        EXPECT_TRUE(copy.status == 0 &&
                    copy.output.find("[  PASSED  ] 1 test") != std::string::npos)
            << "the copy run as nobody failed:\n"
            << copy.output;
    }
#else
    [] {
        GTEST_SKIP()
            << "as root, and only Linux has the proc file system and setpriv to rerun as nobody";
    }();
#endif
    return false;
}

TEST(LogFolderPermissions, CountAsPresentOnlyWhenTheUserMayListThem) {
    if (!runsHereUnprivileged()) {
        return;
    }
    const test::TempFolder scratch;
    const std::string folder = scratch.file("Persist");
    test::writeFile(folder + "/0000000000000001.tracev3", "x");
    for (const auto& [mode, usable] : std::initializer_list<std::pair<mode_t, bool>>{
             {0500, true}, {0300, false}, {0000, false}}) {
        ASSERT_EQ(::chmod(folder.c_str(), mode), 0);
        EXPECT_EQ(deDysfunction().checkDirectory(folder), usable) << std::oct << mode;
    }
    ::chmod(folder.c_str(), 0700); // so that the folder can be removed
}

/// The window's controller with a console to save and a panel that answers with `path`.
std::string consoleAfterSaving(const std::string& text, const std::string& path) {
    test::ControllerHarness harness;
    harness.show();
    harness.console.text = text;
    harness.controller->doSaveButton();
    harness.savePanel.completion(path);
    return harness.console.text;
}

std::string failure(const std::string& folder, const std::string& name, const std::string& why) {
    return "The file \u201C" + name + "\u201D couldn\u2019t be saved in the folder \u201C" +
           folder + "\u201D: " + why + ".";
}

TEST(SaveFaults, IntoAFolderWithoutWritePermissionTellsTheUserAndWritesNothing) {
    if (!runsHereUnprivileged()) {
        return;
    }
    const test::TempFolder scratch;
    const std::string folder = scratch.file("closed");
    ASSERT_TRUE(fs::create_directory(folder));
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);
    EXPECT_EQ(consoleAfterSaving("the report\n", folder + "/report.text"),
              "the report\n" + failure(folder, "report.text", "Permission denied"));
    EXPECT_FALSE(fs::exists(folder + "/report.text"));
}

} // namespace
} // namespace scanbrook
