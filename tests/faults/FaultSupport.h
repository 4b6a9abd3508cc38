#pragma once

#include "platform/Process.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

namespace scanbrook::test {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
inline constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
inline constexpr bool kUnderSanitizer = true;
#else
inline constexpr bool kUnderSanitizer = false;
#endif
#else
inline constexpr bool kUnderSanitizer = false;
#endif

/// A temporary folder for tests that take permissions away: they are given back before the
/// folder is removed, so that an unprivileged user can remove what it made unlistable.
class ScratchFolder : public TempFolder {
public:
    ScratchFolder() : TempFolder("scanbrook-faults") {}
    ~ScratchFolder() {
        std::error_code ignored;
        namespace fs = std::filesystem;
        fs::permissions(path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        for (auto it = fs::recursive_directory_iterator(
                 path(), fs::directory_options::skip_permission_denied, ignored);
             !ignored && it != fs::recursive_directory_iterator(); it.increment(ignored)) {
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
        }
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
};

/// The whole content of a file, or "" when it cannot be read.
inline std::string fileContents(const std::string& path) {
    return readFile(path).value_or(std::string());
}

/// The largest resident size this process has had, in bytes.
inline std::size_t peakResidentBytes() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::size_t>(usage.ru_maxrss) * 1024U;
}

/// Whether this process has a child that ended and was never waited for.
inline bool hasUnreapedChild() {
    int status = 0;
    return ::waitpid(-1, &status, WNOHANG) > 0;
}

/// Set in the copy of a test that runs as an unprivileged user.
inline constexpr const char* kUnprivilegedVariable = "SCANBROOK_FAULTS_UNPRIVILEGED";

inline bool runningUnprivilegedCopy() {
    const char* value = std::getenv(kUnprivilegedVariable);
    return value != nullptr && std::string_view(value) == "1";
}

struct UnprivilegedRun {
    enum class Next { RunTheBody, Done, Skip };
    Next next = Next::RunTheBody;
    std::string reason;
};

/// Root may list and write every folder, so a test of those refusals must run as somebody else.
/// When this process is unprivileged already, the test body runs here. As root, this same test
/// runs again in a copy of the test program as "nobody" through setpriv (util-linux), and the
/// copy must pass; where that is impossible the test is skipped with the reason.
inline UnprivilegedRun runUnprivileged() {
    if (::geteuid() != 0) {
        return {};
    }
    if (runningUnprivilegedCopy()) {
        ADD_FAILURE() << "setpriv left the copy running as root";
        return {UnprivilegedRun::Next::Done, {}};
    }
    const std::string setpriv = "/usr/bin/setpriv";
    if (::access(setpriv.c_str(), X_OK) != 0) {
        return {UnprivilegedRun::Next::Skip,
                "running as root and setpriv (util-linux) is missing: cannot drop privileges"};
    }
    std::error_code error;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe", error).string();
    if (error) {
        return {UnprivilegedRun::Next::Skip, "cannot find this test program to run it as nobody"};
    }
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter =
        std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name();

    ::setenv(kUnprivilegedVariable, "1", 1);
    const platform::CommandResult copy =
        platform::runCommand(setpriv, {"--reuid=nobody", "--regid=nogroup", "--clear-groups", self,
                                       filter, "--gtest_color=no"});
    ::unsetenv(kUnprivilegedVariable);

    const bool exitedZero =
        copy.ending == platform::CommandResult::Ending::Exited && copy.status == 0;
    if (copy.output.find("[ RUN      ]") == std::string::npos) {
        // setpriv could not start the program: nobody needs search permission on every folder
        // above it, which a build under a private home folder does not give.
        return {UnprivilegedRun::Next::Skip, "nobody cannot run " + self + " (status " +
                                                 std::to_string(copy.status) +
                                                 "): a folder above it is closed to other users"};
    }
    if (exitedZero && copy.output.find("[  SKIPPED ]") != std::string::npos) {
        return {UnprivilegedRun::Next::Skip, "the copy run as nobody skipped:\n" + copy.output};
    }
    EXPECT_TRUE(exitedZero && copy.output.find("[  PASSED  ] 1 test") != std::string::npos)
        << "the copy run as nobody failed:\n"
        << copy.output;
    return {UnprivilegedRun::Next::Done, {}};
}

} // namespace scanbrook::test

/// First statement of a test that must run unprivileged (see runUnprivileged()).
#define SCANBROOK_RUN_UNPRIVILEGED()                                                               \
    do {                                                                                           \
        const ::scanbrook::test::UnprivilegedRun unprivileged_ =                                   \
            ::scanbrook::test::runUnprivileged();                                                  \
        if (unprivileged_.next == ::scanbrook::test::UnprivilegedRun::Next::Skip) {                \
            GTEST_SKIP() << unprivileged_.reason;                                                  \
        }                                                                                          \
        if (unprivileged_.next == ::scanbrook::test::UnprivilegedRun::Next::Done) {                \
            return;                                                                                \
        }                                                                                          \
    } while (false)
