// The command run against real child processes: a small child program whose arguments say what
// it does, and files that cannot be run.

#include "platform/Process.h"

#include "ProcessTestPattern.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <pthread.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace scanbrook::platform {
namespace {

const std::string kChild = PROCESS_TEST_CHILD;

/// Whether `result` ended as `ending` with `status`, holding `size` bytes of the child's
/// pattern followed by the spare bytes the JSON reader needs.
::testing::AssertionResult endedWithPattern(const CommandResult& result,
                                            CommandResult::Ending ending, int status,
                                            std::size_t size) {
    if (result.ending != ending || result.status != status || result.output.size() != size) {
        return ::testing::AssertionFailure()
               << "ending " << static_cast<int>(result.ending) << ", status " << result.status
               << ", " << result.output.size() << " bytes";
    }
    for (std::size_t i = 0; i < size; ++i) {
        if (static_cast<std::uint8_t>(result.output[i]) != test::patternByte(i)) {
            return ::testing::AssertionFailure() << "byte " << i << " differs";
        }
    }
    if (result.output.capacity() < size + kOutputPadding) {
        return ::testing::AssertionFailure() << "no spare bytes after the output";
    }
    return ::testing::AssertionSuccess();
}

class ProcessArguments : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(ProcessArguments, ReachTheChildUnchangedWithoutAShell) {
    std::vector<std::string> arguments{"args"};
    arguments.insert(arguments.end(), GetParam().begin(), GetParam().end());
    const CommandResult result = runCommand(kChild, arguments);
    ASSERT_EQ(result.status, 0);
    std::string expected = std::to_string(arguments.size() + 1) + '\0' + kChild + '\0';
    for (const std::string& argument : arguments) {
        expected += argument + '\0';
    }
    EXPECT_EQ(result.output, expected);
}

std::vector<std::string> manyArguments() {
    std::vector<std::string> arguments;
    for (int i = 0; i < 2000; ++i) {
        arguments.push_back("argument " + std::to_string(i));
    }
    return arguments;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProcessArguments,
    ::testing::Values(std::vector<std::string>{},
                      std::vector<std::string>{"two words", "", " leading", "trailing "},
                      std::vector<std::string>{"\"double\"", "'single'", "\\", "$HOME", "a;b",
                                               "`id`", "$(echo no)", "*", "|", ">out", "a\nb"},
                      std::vector<std::string>{"\xE2\x9A\xA0\xEF\xB8\x8F", "--", "-"},
                      manyArguments()));

TEST(Process, ReadsAHundredMegabytesByteForByte) {
    constexpr std::size_t kSize = 100u << 20;
    EXPECT_TRUE(endedWithPattern(runCommand(kChild, {"write", std::to_string(kSize)}),
                                 CommandResult::Ending::Exited, 0, kSize));
}

class ProcessOutputSize : public ::testing::TestWithParam<std::size_t> {};

// Sizes around the pipe's capacity and where a growing buffer turns.
TEST_P(ProcessOutputSize, IsReadWholeWithSpareBytesAfterIt) {
    EXPECT_TRUE(endedWithPattern(runCommand(kChild, {"write", std::to_string(GetParam())}),
                                 CommandResult::Ending::Exited, 0, GetParam()));
}

INSTANTIATE_TEST_SUITE_P(Sizes, ProcessOutputSize,
                         ::testing::Values(0, 1, 4095, 4096, 16384, 16448, 65535, 65536, 65537,
                                           (1u << 22) + 1));

TEST(Process, ReportsTheExitStatusOrTheSignalThatEndedTheChild) {
    for (const int status : {0, 1, 127, 255}) {
        const CommandResult result = runCommand(kChild, {"exit", std::to_string(status)});
        EXPECT_TRUE(endedWithPattern(result, CommandResult::Ending::Exited, status, 0));
        EXPECT_EQ(result.launchPath, kChild);
        EXPECT_EQ(result.startFailureText(), "");
    }
    for (const auto& [signal, bytes] : {std::pair{SIGKILL, 1000}, {SIGPIPE, 70000}}) {
        const CommandResult result =
            runCommand(kChild, {"write", std::to_string(bytes), std::to_string(signal)});
        EXPECT_TRUE(endedWithPattern(result, CommandResult::Ending::Signalled, signal,
                                     static_cast<std::size_t>(bytes)));
        EXPECT_EQ(result.startFailureText(), "");
    }
}

struct StartFailureCase {
    const char* name;
    void (*prepare)(const std::string& path);
    int status;
    int error;
    const char* reason;
};

class StartFailure : public ::testing::TestWithParam<StartFailureCase> {};

TEST_P(StartFailure, IsReportedWithThePathTried) {
    const test::TempFolder folder;
    const std::string path = folder.file("program");
    GetParam().prepare(path);
    const CommandResult result = runCommand(path, {"an argument"});
    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_EQ(result.startError, GetParam().error);
    EXPECT_GE(result.output.capacity(), kOutputPadding);
    EXPECT_EQ(result.startFailureText(), path + " could not be started: " + GetParam().reason);
    // Never handed to a shell: the text of a file without an interpreter line did not run.
    EXPECT_FALSE(std::filesystem::exists(folder.file("marker")));
}

void writeProgram(const std::string& path, const std::string& text,
                  std::filesystem::perms permissions) {
    test::writeFile(path, text);
    std::filesystem::permissions(path, permissions);
}

INSTANTIATE_TEST_SUITE_P(
    Files, StartFailure,
    ::testing::Values(StartFailureCase{"Missing", [](const std::string&) {}, 127, ENOENT,
                                       "No such file or directory."},
                      StartFailureCase{"NotExecutable",
                                       [](const std::string& path) {
                                           writeProgram(path, "#!/bin/sh\nexit 0\n",
                                                        std::filesystem::perms::owner_read);
                                       },
                                       126, EACCES, "Permission denied."},
                      StartFailureCase{
                          "Folder",
                          [](const std::string& path) { std::filesystem::create_directory(path); },
                          126, EACCES, "Permission denied."},
                      StartFailureCase{"TextWithoutInterpreterLine",
                                       [](const std::string& path) {
                                           writeProgram(path,
                                                        "touch \"$(dirname \"$0\")/marker\"\n",
                                                        std::filesystem::perms::owner_all);
                                       },
                                       126, ENOEXEC, "Exec format error."}),
    [](const auto& param) { return std::string(param.param.name); });

TEST(Process, ABareNameIsAPathNotASearchOfPath) {
    const CommandResult result = runCommand("sh", {"-c", "exit 0"});
    EXPECT_EQ(result.status, 127);
    EXPECT_EQ(result.startError, ENOENT);
}

TEST(Process, AnArgumentWithANulByteIsRefusedRatherThanShortened) {
    const CommandResult result = runCommand(kChild, {"args", std::string("a\0b", 3)});
    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_EQ(result.startError, EINVAL);
}

TEST(Process, TheChildGetsNoDescriptorBeyondStandardErrorAndDefaultSignals) {
    // What a careless caller left inheritable, or set for its own thread, must not reach the
    // child: an ignored SIGPIPE would keep a writer alive after its reader went away.
    const int plain = ::open("/dev/null", O_RDONLY);
    const int high = ::fcntl(plain, F_DUPFD, 200);
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previous), 0);
    sigset_t block, previousMask;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR2);
    sigaddset(&block, SIGPIPE);
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &block, &previousMask), 0);

    const CommandResult descriptors = runCommand(kChild, {"fds"});
    const CommandResult signals = runCommand(kChild, {"signals"});

    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ::sigaction(SIGPIPE, &previous, nullptr);
    ::close(plain);
    ::close(high);
    EXPECT_EQ(descriptors.output, "") << "open in the child";
    EXPECT_EQ(signals.output, "pipe=default\nblocked=0\n");
}

TEST(Process, RunsFromEightThreadsAtOnceWithoutCrossingPipes) {
    std::vector<std::thread> threads;
    std::vector<std::string> failures(8);
    for (std::size_t t = 0; t < failures.size(); ++t) {
        threads.emplace_back([t, &failures] {
            for (std::size_t run = 0; run < 10; ++run) {
                const std::size_t size = 100000 * (t + 1) + run;
                const CommandResult written = runCommand(kChild, {"write", std::to_string(size)});
                if (!endedWithPattern(written, CommandResult::Ending::Exited, 0, size)) {
                    failures[t] += "output of " + std::to_string(size) + " bytes differs; ";
                }
                // Another thread's pipe must never be open in this child.
                const CommandResult descriptors = runCommand(kChild, {"fds"});
                if (descriptors.status != 0 || !descriptors.output.empty()) {
                    failures[t] += "open in the child: " + descriptors.output;
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, std::vector<std::string>(8));
}

} // namespace
} // namespace scanbrook::platform
