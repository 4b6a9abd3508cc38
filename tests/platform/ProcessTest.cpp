// The command run against real child processes: a small child program whose arguments say what
// it does, and files that cannot be run.

#include "platform/Process.h"

#include "ProcessTestPattern.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace scanbrook::platform {
namespace {

const std::string kChild = PROCESS_TEST_CHILD;

/// Whether `result` ended as `ending` with `status`, holding `size` bytes of the child's pattern.
bool endedWithPattern(const CommandResult& result, CommandResult::Ending ending, int status,
                      std::size_t size) {
    bool same = result.ending == ending && result.status == status && result.output.size() == size;
    for (std::size_t i = 0; same && i < size; ++i) {
        same = static_cast<std::uint8_t>(result.output[i]) == test::patternByte(i);
    }
    return same;
}

TEST(Process, PassesArgumentsUnchangedWithoutAShell) {
    const std::vector<std::string> arguments{
        "args",  "two words", "",     "\"double\"", "'single'", "\\",
        "$HOME", "a;b",       "`id`", "*",          "a\nb",     "\xE2\x9A\xA0\xEF\xB8\x8F",
        "--"};
    std::string expected = std::to_string(arguments.size() + 1) + '\0' + kChild + '\0';
    for (const std::string& argument : arguments) {
        expected += argument + '\0';
    }
    EXPECT_EQ(runCommand(kChild, arguments).output, expected);
}

TEST(Process, AProgramThatCannotStartIsReportedWithThePathTriedAndNeverGoesToAShell) {
    const test::TempFolder folder;
    const std::string readOnly = folder.file("read-only"), text = folder.file("text");
    test::writeFile(readOnly, "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read);
    test::writeFile(text, "touch \"$(dirname \"$0\")/marker\"\n"); // no interpreter line
    std::filesystem::permissions(text, std::filesystem::perms::owner_all);
    const std::tuple<std::string, int, int, const char*> cases[] = {
        {folder.file("missing"), 127, ENOENT, "No such file or directory."},
        {"sh", 127, ENOENT, "No such file or directory."}, // a path, not a search of PATH
        {readOnly, 126, EACCES, "Permission denied."},
        {text, 126, ENOEXEC, "Exec format error."}};
    for (const auto& [path, status, error, reason] : cases) {
        const CommandResult result = runCommand(path, {"-c", "exit 0"});
        EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted) << path;
        EXPECT_EQ(result.status, status) << path;
        EXPECT_EQ(result.startError, error) << path;
        EXPECT_EQ(result.startFailureText(), path + " could not be started: " + reason);
    }
    EXPECT_FALSE(std::filesystem::exists(folder.file("marker")));
    // An argument with a NUL byte is refused rather than shortened.
    EXPECT_EQ(runCommand(kChild, {"args", std::string("a\0b", 3)}).startError, EINVAL);
}

TEST(Process, GivesTheChildDevNullForAClosedStandardInputOrErrorNeverAnEndOfItsPipe) {
    // Open ones are handed on.
    EXPECT_EQ(runCommand(kChild, {"stdio"}).output.find("closed"), std::string::npos);
    // Closed here, 0 and 2 are what pipe() hands out next: the read end and the write end.
    const int saved[] = {::fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 10),
                         ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 10)};
    ::close(STDIN_FILENO);
    ::close(STDERR_FILENO);
    const std::string output = runCommand(kChild, {"stdio"}).output;
    ::dup2(saved[0], STDIN_FILENO);
    ::dup2(saved[1], STDERR_FILENO);
    ::close(saved[0]);
    ::close(saved[1]);
    EXPECT_EQ(output, "null\nnull\n");
}

TEST(Process, TellsHowTheChildEndedAlsoLongAfterItsOutputEnded) {
    const CommandResult killed = runCommand("/bin/sh", {"-c", "kill -9 $$"});
    EXPECT_EQ(killed.ending, CommandResult::Ending::Signalled);
    EXPECT_EQ(killed.status, 9);
    // The status comes only after the output has ended: a result that shows it has waited.
    EXPECT_EQ(runCommand("/bin/sh", {"-c", "exec >&-; sleep 1; exit 5"}).status, 5);
}

// Outputs well beyond the pipe's capacity, read whole, from threads that run at the same time.
TEST(Process, RunsFromFourThreadsAtOnceWithoutCrossingPipes) {
    const int inheritable = ::open("/dev/null", O_RDONLY); // no close-on-exec: it must be closed
    ASSERT_GE(inheritable, 0);
    std::vector<std::thread> threads;
    std::vector<std::string> failures(4);
    for (std::size_t t = 0; t < failures.size(); ++t) {
        threads.emplace_back([t, &failures] {
            for (std::size_t run = 0; run < 5; ++run) {
                const std::size_t size = 100000 * (t + 1) + run;
                if (!endedWithPattern(runCommand(kChild, {"write", std::to_string(size)}),
                                      CommandResult::Ending::Exited, 0, size)) {
                    failures[t] += "output of " + std::to_string(size) + " bytes differs; ";
                }
                // Another thread's pipe, or anything else above standard error, must never be
                // open in a child: a reader would wait for its end for as long as it lives.
                failures[t] += runCommand(kChild, {"fds"}).output;
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    ::close(inheritable);
    EXPECT_EQ(failures, std::vector<std::string>(4));
}

} // namespace
} // namespace scanbrook::platform
