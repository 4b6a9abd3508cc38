#include "SimTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <unistd.h>

namespace scanbrook::test {
namespace {

const std::vector<std::string> kLogEntries = {"show", "--last", "2"};

TEST(SimRootCopy, ACopyServesItselfWhenNoRootIsNamed) {
    const TempSimRoot copy;
    copy.setControl("log.status", "3");
    const ScopedEnvironment noRoot("SCANBROOK_PLATFORM_ROOT", std::nullopt);

    EXPECT_EQ(platform::runCommand(copy.pathOf(mac::kLogTool), kLogEntries).status, 3);
    EXPECT_EQ(platform::runCommand(builtSimRoot() + std::string(mac::kLogTool), kLogEntries).status,
              0);
}

TEST(SimRootCopy, TheNamedRootWinsOverTheToolsOwnPlace) {
    const TempSimRoot copy;
    copy.setControl("log.status", "3");
    const ScopedEnvironment named("SCANBROOK_PLATFORM_ROOT", copy.path());

    EXPECT_EQ(platform::runCommand(builtSimRoot() + std::string(mac::kLogTool), kLogEntries).status,
              3);
}

TEST(SimRootCopy, AnEmptyRootVariableCountsAsUnset) {
    const TempSimRoot copy;
    copy.setControl("log.status", "3");
    const ScopedEnvironment empty("SCANBROOK_PLATFORM_ROOT", std::string());

    EXPECT_EQ(platform::runCommand(copy.pathOf(mac::kLogTool), kLogEntries).status, 3);
}

TEST(SimRootCopy, TheCopyIsRemovedWithItsObject) {
    std::string path;
    {
        const TempSimRoot copy;
        path = copy.path();
        EXPECT_TRUE(std::filesystem::is_directory(path + "/var/db/diagnostics/Persist"));
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(SimRootLayout, HoldsWhatScanbrookReads) {
    const std::string root = builtSimRoot();
    for (const auto tool : {mac::kLogTool, mac::kIdTool, mac::kXProtectExecutable}) {
        EXPECT_EQ(::access((root + std::string(tool)).c_str(), X_OK), 0) << tool;
    }
    for (const auto folder : {mac::kLogStoreDirectory, mac::kLogTimesyncDirectory}) {
        const std::filesystem::path path = root + std::string(folder);
        EXPECT_TRUE(std::filesystem::is_directory(path)) << folder;
        EXPECT_FALSE(std::filesystem::is_empty(path)) << folder;
    }
    std::ifstream in(root + std::string(mac::kXProtectBundle) + "/Contents/Info.plist");
    const std::string plist(std::istreambuf_iterator<char>(in), {});
    EXPECT_NE(plist.find("<key>CFBundleShortVersionString</key>\n\t<string>151</string>"),
              std::string::npos);
}

} // namespace
} // namespace scanbrook::test
