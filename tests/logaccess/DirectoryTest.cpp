#include "logaccess/deDysfunction.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;

class DirectoryCheck : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "scanbrook-dir-XXXXXX").string();
        root_ = ::mkdtemp(pattern.data());
    }
    void TearDown() override {
        std::error_code ignored;
        fs::permissions(root_ / "locked", fs::perms::owner_all, ignored);
        fs::remove_all(root_, ignored);
    }
    bool check(const fs::path& path) const { return deDysfunction().checkDirectory(path.string()); }
    static void touch(const fs::path& file) { std::ofstream(file) << "x"; }

    fs::path root_;
};

TEST_F(DirectoryCheck, EmptyFolderFails) {
    fs::create_directory(root_ / "empty");
    EXPECT_FALSE(check(root_ / "empty"));
}

TEST_F(DirectoryCheck, OneHiddenEntryIsEnough) {
    fs::create_directory(root_ / "hidden");
    touch(root_ / "hidden" / ".only");
    EXPECT_TRUE(check(root_ / "hidden"));
}

TEST_F(DirectoryCheck, AnEmptySubfolderCountsAsAnEntry) {
    fs::create_directories(root_ / "outer" / "inner");
    EXPECT_TRUE(check(root_ / "outer"));
}

TEST_F(DirectoryCheck, RegularFileOrMissingPathFails) {
    touch(root_ / "file");
    EXPECT_FALSE(check(root_ / "file"));
    EXPECT_FALSE(check(root_ / "missing"));
}

TEST_F(DirectoryCheck, SymbolicLinkToAFolderIsFollowed) {
    fs::create_directory(root_ / "target");
    touch(root_ / "target" / "entry");
    fs::create_directory_symlink(root_ / "target", root_ / "link");
    EXPECT_TRUE(check(root_ / "link"));
}

TEST_F(DirectoryCheck, FolderThatCannotBeListedFails) {
    if (::geteuid() == 0) {
        GTEST_SKIP() << "root may list any folder; the unprivileged case runs as a normal user";
    }
    fs::create_directory(root_ / "locked");
    touch(root_ / "locked" / "entry");
    fs::permissions(root_ / "locked", fs::perms::none);
    EXPECT_FALSE(check(root_ / "locked"));
}

} // namespace
} // namespace scanbrook
