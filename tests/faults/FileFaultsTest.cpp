// Folders that cannot be listed, folders and files that cannot be written, and a full device:
// the launch checks and the save must say so rather than pass, crash or lose text silently.

#include "FaultSupport.h"

#include "logaccess/deDysfunction.h"
#include "platform/Files.h"
#include "support/ControllerHarness.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;

// --- A folder the user may not list ------------------------------------------------------------

struct FolderModeCase {
    const char* name;
    mode_t mode;
    bool usable;
};

class LogFolderPermissions : public ::testing::TestWithParam<FolderModeCase> {};

TEST_P(LogFolderPermissions, CountAsPresentOnlyWhenTheUserMayListThem) {
    SCANBROOK_RUN_UNPRIVILEGED();
    const test::ScratchFolder scratch;
    const std::string folder = scratch.file("Persist");
    ASSERT_TRUE(fs::create_directory(folder));
    std::ofstream(folder + "/0000000000000001.tracev3") << "x";
    ASSERT_EQ(::chmod(folder.c_str(), GetParam().mode), 0);

    EXPECT_EQ(deDysfunction().checkDirectory(folder), GetParam().usable);
}

INSTANTIATE_TEST_SUITE_P(Modes, LogFolderPermissions,
                         ::testing::Values(FolderModeCase{"readable", 0500, true},
                                           FolderModeCase{"searchButNotList", 0300, false},
                                           FolderModeCase{"nothing", 0000, false}),
                         [](const auto& p) { return std::string(p.param.name); });

// --- Saving where the user may not write ------------------------------------------------------

/// The window's controller with a save panel that answers with a chosen path.
class SaveFaults : public ::testing::Test {
protected:
    void SetUp() override {
        harness.show();
        console.text = "the report\n";
    }

    void saveTo(const std::string& path) {
        harness.controller->doSaveButton();
        ASSERT_TRUE(harness.savePanel.completion);
        harness.savePanel.completion(path);
    }

    static std::string failure(const std::string& folder, const std::string& name,
                               const std::string& reason) {
        return "The file \u201C" + name + "\u201D couldn\u2019t be saved in the folder \u201C" +
               folder + "\u201D: " + reason + ".";
    }

    test::ControllerHarness harness;
    test::FakeConsole& console = harness.console;
};

TEST_F(SaveFaults, IntoAFolderWithoutWritePermissionTellsTheUserAndWritesNothing) {
    SCANBROOK_RUN_UNPRIVILEGED();
    const test::ScratchFolder scratch;
    const std::string folder = scratch.file("closed");
    ASSERT_TRUE(fs::create_directory(folder));
    ASSERT_EQ(::chmod(folder.c_str(), 0500), 0);

    saveTo(folder + "/report.text");
    EXPECT_EQ(console.text, "the report\n" + failure(folder, "report.text", "Permission denied"));
    EXPECT_FALSE(fs::exists(folder + "/report.text"));
}

TEST_F(SaveFaults, OverAReadOnlyFileTellsTheUserAndLeavesTheFileAlone) {
    SCANBROOK_RUN_UNPRIVILEGED();
    const test::ScratchFolder scratch;
    const std::string path = scratch.file("kept.text");
    std::ofstream(path) << "older text";
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);

    saveTo(path);
    EXPECT_EQ(console.text,
              "the report\n" + failure(scratch.path(), "kept.text", "Permission denied"));
    EXPECT_EQ(test::fileContents(path), "older text");
}

// --- Writes that fail part of the way, or at once ----------------------------------------------

/// Saved bytes, and the sizes written to /dev/full: nothing fits there.
class SaveToFullDevice : public SaveFaults, public ::testing::WithParamInterface<std::size_t> {};

TEST_P(SaveToFullDevice, ReportsNoSpaceLeft) {
    console.text.assign(GetParam(), 'x');
    saveTo("/dev/full");
    EXPECT_EQ(console.text,
              std::string(GetParam(), 'x') + failure("/dev", "full", "No space left on device"));
}

INSTANTIATE_TEST_SUITE_P(Sizes, SaveToFullDevice,
                         ::testing::Values(std::size_t{1}, std::size_t{4096},
                                           std::size_t{3} << 20));

TEST(WriteFileFaults, EmptyTextOnAFullDeviceLosesNothingAndSucceeds) {
    // Nothing to write is nothing lost: an empty console saves without an error anywhere.
    EXPECT_EQ(platform::writeFile("/dev/full", ""), std::nullopt);
}

struct BadTargetCase {
    const char* name;
    /// The target below the scratch folder, made ready by `prepare`.
    std::string (*prepare)(const test::ScratchFolder& scratch);
    const char* reason;
};

void PrintTo(const BadTargetCase& c, std::ostream* os) {
    *os << c.name;
}

const BadTargetCase kBadTargets[] = {
    {"aFolder",
     [](const test::ScratchFolder& s) {
         fs::create_directory(s.file("folder"));
         return s.file("folder");
     },
     "Is a directory"},
    {"belowAFile",
     [](const test::ScratchFolder& s) {
         std::ofstream(s.file("file")) << "x";
         return s.file("file/report.text");
     },
     "Not a directory"},
    {"missingFolder", [](const test::ScratchFolder& s) { return s.file("gone/report.text"); },
     "No such file or directory"},
    {"nameTooLong",
     [](const test::ScratchFolder& s) { return s.file(std::string(300, 'n') + ".text"); },
     "File name too long"},
    {"danglingLinkIntoMissingFolder",
     [](const test::ScratchFolder& s) {
         fs::create_symlink(s.file("gone/target.text"), s.file("link.text"));
         return s.file("link.text");
     },
     "No such file or directory"},
};

class SaveToBadTarget : public SaveFaults, public ::testing::WithParamInterface<BadTargetCase> {};

TEST_P(SaveToBadTarget, TellsTheUserWhyAndCreatesNothing) {
    const test::ScratchFolder scratch;
    const std::string path = GetParam().prepare(scratch);
    const std::size_t entriesBefore = static_cast<std::size_t>(
        std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator()));

    saveTo(path);
    const fs::path target(path);
    EXPECT_EQ(console.text,
              "the report\n" + failure(target.parent_path().string(), target.filename().string(),
                                       GetParam().reason));
    EXPECT_EQ(static_cast<std::size_t>(
                  std::distance(fs::directory_iterator(scratch.path()), fs::directory_iterator())),
              entriesBefore);
}

INSTANTIATE_TEST_SUITE_P(Targets, SaveToBadTarget, ::testing::ValuesIn(kBadTargets),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace scanbrook
