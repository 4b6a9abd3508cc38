#include "platform/Process.h"

#include "ProcessTestPattern.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace scanbrook::platform {
namespace {

const std::string kChild = PROCESS_TEST_CHILD;

/// A fresh folder under the system's temporary folder, removed with its contents.
class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "scanbrook-process-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "mkdtemp failed: " << errno;
        }
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    std::filesystem::path file(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

void writeFile(const std::filesystem::path& path, const std::string& text,
               std::filesystem::perms permissions) {
    std::ofstream(path, std::ios::binary) << text;
    std::filesystem::permissions(path, permissions);
}

/// The first index at which `output` differs from the child's pattern, or npos.
std::size_t firstPatternMismatch(const std::string& output) {
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (static_cast<std::uint8_t>(output[i]) != test::patternByte(i)) {
            return i;
        }
    }
    return std::string::npos;
}

bool keepsPadding(const std::string& output) {
    return output.capacity() >= output.size() + kOutputPadding;
}

/// Splits the child's "args" report (argc, then each argv entry, each ended by a NUL).
std::vector<std::string> splitNulTerminated(const std::string& text) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\0', start);
        if (end == std::string::npos) {
            pieces.push_back(text.substr(start) + "<unterminated>");
            break;
        }
        pieces.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return pieces;
}

struct ArgumentCase {
    const char* name;
    std::vector<std::string> arguments;
};

void PrintTo(const ArgumentCase& c, std::ostream* out) {
    *out << c.name;
}

class ProcessArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ProcessArguments, ReachTheChildUnchangedAfterTheLaunchPath) {
    std::vector<std::string> arguments{"args"};
    arguments.insert(arguments.end(), GetParam().arguments.begin(), GetParam().arguments.end());

    const CommandResult result = runCommand(kChild, arguments);

    ASSERT_EQ(result.ending, CommandResult::Ending::Exited);
    ASSERT_EQ(result.status, 0);
    std::vector<std::string> expected{std::to_string(arguments.size() + 1), kChild};
    expected.insert(expected.end(), arguments.begin(), arguments.end());
    EXPECT_EQ(splitNulTerminated(result.output), expected);
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
    ::testing::Values(
        ArgumentCase{"None", {}}, ArgumentCase{"Spaces", {"two words", " leading", "trailing "}},
        ArgumentCase{"Empty", {"", "between", ""}},
        ArgumentCase{"Quotes", {"\"double\"", "'single'", "mixed\"'", "\\"}},
        ArgumentCase{"ShellSyntax",
                     {"$HOME", "${PATH}", "a;b", "x && y", "`id`", "$(echo no)", "*", "~", "|",
                      ">out", "<in", "#comment", "a\nb"}},
        ArgumentCase{"Predicate",
                     {"show", "--predicate",
                      "subsystem == \"com.apple.XProtectFramework.PluginAPI\" AND category == "
                      "\"XPEvent.structured\"",
                      "--last", "7d"}},
        ArgumentCase{"Utf8", {"\xE2\x9A\xA0\xEF\xB8\x8F", "caf\xC3\xA9"}},
        ArgumentCase{"OptionLike", {"--", "-", "--help"}}, ArgumentCase{"Many", manyArguments()}),
    [](const ::testing::TestParamInfo<ArgumentCase>& param) { return param.param.name; });

TEST(Process, ReadsAHundredMegabytesByteForByte) {
    constexpr std::size_t kSize = 100u * 1024 * 1024;

    const CommandResult result = runCommand(kChild, {"write", std::to_string(kSize)});

    ASSERT_EQ(result.ending, CommandResult::Ending::Exited);
    EXPECT_EQ(result.status, 0);
    ASSERT_EQ(result.output.size(), kSize);
    EXPECT_EQ(firstPatternMismatch(result.output), std::string::npos);
    EXPECT_TRUE(keepsPadding(result.output));
}

class ProcessOutputSize : public ::testing::TestWithParam<std::size_t> {};

TEST_P(ProcessOutputSize, IsReadWholeWithSpareCapacityAfterIt) {
    const std::size_t size = GetParam();

    const CommandResult result = runCommand(kChild, {"write", std::to_string(size)});

    ASSERT_EQ(result.status, 0);
    ASSERT_EQ(result.output.size(), size);
    EXPECT_EQ(firstPatternMismatch(result.output), std::string::npos);
    EXPECT_TRUE(keepsPadding(result.output))
        << "capacity " << result.output.capacity() << " for " << size << " bytes";
}

// Sizes around the pipe's capacity and the powers of two at which a growing buffer turns.
INSTANTIATE_TEST_SUITE_P(Sizes, ProcessOutputSize,
                         ::testing::Values(0, 1, 63, 64, 65, 4095, 4096, 12287, 12288, 12289, 16383,
                                           16384, 16385, 16447, 16448, 16449, 32767, 32768, 32769,
                                           65535, 65536, 65537, 1000000, (1u << 22) + 1));

class ProcessExitStatus : public ::testing::TestWithParam<int> {};

TEST_P(ProcessExitStatus, IsReportedAsTheChildExited) {
    const CommandResult result = runCommand(kChild, {"exit", std::to_string(GetParam())});

    EXPECT_EQ(result.ending, CommandResult::Ending::Exited);
    EXPECT_TRUE(result.started());
    EXPECT_EQ(result.status, GetParam());
    EXPECT_EQ(result.startError, 0);
    EXPECT_EQ(result.launchPath, kChild);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(keepsPadding(result.output));
}

INSTANTIATE_TEST_SUITE_P(Statuses, ProcessExitStatus,
                         ::testing::Values(0, 1, 2, 3, 42, 126, 127, 128, 255));

TEST(Process, StatusOfAChildThatClosedItsOutputEarly) {
    const CommandResult result = runCommand(kChild, {"close-exit", "7"});

    EXPECT_EQ(result.ending, CommandResult::Ending::Exited);
    EXPECT_EQ(result.status, 7);
    EXPECT_EQ(result.output, "");
}

struct SignalCase {
    int signalNumber;
    std::size_t bytesBefore;
};

void PrintTo(const SignalCase& c, std::ostream* out) {
    *out << "signal " << c.signalNumber << " after " << c.bytesBefore << " bytes";
}

class ProcessSignal : public ::testing::TestWithParam<SignalCase> {};

TEST_P(ProcessSignal, EndsSignalledWithTheSignalAsStatusAndKeepsTheOutput) {
    const auto [signalNumber, bytesBefore] = GetParam();

    const CommandResult result = runCommand(
        kChild, {"write-signal", std::to_string(bytesBefore), std::to_string(signalNumber)});

    EXPECT_EQ(result.ending, CommandResult::Ending::Signalled);
    EXPECT_TRUE(result.started());
    EXPECT_EQ(result.status, signalNumber);
    EXPECT_EQ(result.startError, 0);
    ASSERT_EQ(result.output.size(), bytesBefore);
    EXPECT_EQ(firstPatternMismatch(result.output), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Signals, ProcessSignal,
                         ::testing::Values(SignalCase{SIGTERM, 0}, SignalCase{SIGKILL, 1000},
                                           SignalCase{SIGUSR1, 200000}, SignalCase{SIGPIPE, 70000},
                                           SignalCase{SIGHUP, 1}));

TEST(Process, MissingProgramIsNotStartedWith127) {
    TempFolder folder;
    const std::string path = folder.file("no-such-program").string();

    const CommandResult result = runCommand(path, {"an argument"});

    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_FALSE(result.started());
    EXPECT_EQ(result.status, 127);
    EXPECT_EQ(result.startError, ENOENT);
    EXPECT_EQ(result.launchPath, path);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(keepsPadding(result.output));
    const std::string text = result.startFailureText();
    EXPECT_EQ(text.rfind(path + " could not be started: ", 0), 0u) << text;
}

TEST(Process, DoesNotSearchThePath) {
    // "sh" is on every PATH; a bare name must still be taken as a path of its own.
    const CommandResult result = runCommand("sh", {"-c", "exit 0"});

    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_EQ(result.status, 127);
    EXPECT_EQ(result.startError, ENOENT);
    EXPECT_EQ(result.launchPath, "sh");
}

TEST(Process, FileWithoutExecutePermissionIsNotStartedWith126) {
    TempFolder folder;
    const std::filesystem::path path = folder.file("not-executable");
    writeFile(path, "#!/bin/sh\nexit 0\n",
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    const CommandResult result = runCommand(path.string(), {});

    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_EQ(result.status, 126);
    EXPECT_EQ(result.startError, EACCES);
    EXPECT_EQ(result.launchPath, path.string());
    const std::string text = result.startFailureText();
    EXPECT_EQ(text.rfind(path.string() + " could not be started: ", 0), 0u) << text;
}

TEST(Process, DirectoryIsNotStartedWith126) {
    TempFolder folder;
    std::filesystem::create_directory(folder.file("folder"));

    const CommandResult result = runCommand(folder.file("folder").string(), {});

    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_EQ(result.status, 126);
    EXPECT_EQ(result.startError, EACCES);
}

TEST(Process, ExecutableTextWithoutInterpreterLineIsNeverHandedToAShell) {
    TempFolder folder;
    const std::filesystem::path marker = folder.file("marker");
    const std::filesystem::path script = folder.file("script");
    writeFile(script, "touch '" + marker.string() + "'\n", std::filesystem::perms::owner_all);

    const CommandResult result = runCommand(script.string(), {});

    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_EQ(result.status, 126);
    EXPECT_EQ(result.startError, ENOEXEC);
    EXPECT_FALSE(std::filesystem::exists(marker));
}

TEST(Process, ArgumentWithANulByteIsRefusedRatherThanShortened) {
    const CommandResult result = runCommand(kChild, {"args", std::string("a\0b", 3)});

    EXPECT_EQ(result.ending, CommandResult::Ending::NotStarted);
    EXPECT_EQ(result.status, 126);
    EXPECT_EQ(result.startError, EINVAL);
}

TEST(Process, ChildInheritsNoDescriptorBeyondStandardError) {
    // Descriptors a careless caller left inheritable: they must not reach the child.
    const int plain = ::open("/dev/null", O_RDONLY);
    ASSERT_GE(plain, 0);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const int high = ::fcntl(plain, F_DUPFD, 200);
    ASSERT_GE(high, 0);

    const CommandResult result = runCommand(kChild, {"fds"});

    ::close(plain);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::close(high);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "") << "open in the child";
}

TEST(Process, ChildStartsWithDefaultSigpipeAndNoBlockedSignal) {
    // What the calling process and thread set must not leak into the child: an ignored
    // SIGPIPE would keep a writer alive after its reader went away.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previous), 0);
    sigset_t block;
    sigemptyset(&block);
    sigaddset(&block, SIGUSR2);
    sigaddset(&block, SIGPIPE);
    sigset_t previousMask;
    ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &block, &previousMask), 0);

    const CommandResult result = runCommand(kChild, {"signals"});

    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
    ::sigaction(SIGPIPE, &previous, nullptr);
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "pipe=default\nblocked=0\n");
}

TEST(Process, ChildInheritsTheEnvironment) {
    ASSERT_EQ(::setenv("SCANBROOK_PROCESS_TEST_VALUE", "a b;$c", 1), 0);

    const CommandResult result = runCommand(kChild, {"env", "SCANBROOK_PROCESS_TEST_VALUE"});

    ::unsetenv("SCANBROOK_PROCESS_TEST_VALUE");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.output, "a b;$c");
}

TEST(Process, RunsFromEightThreadsAtOnce) {
    constexpr int kThreads = 8;
    constexpr int kRunsPerThread = 12;
    std::vector<std::vector<std::string>> failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &failures] {
            std::vector<std::string>& mine = failures[static_cast<std::size_t>(t)];
            for (int run = 0; run < kRunsPerThread; ++run) {
                const std::string where =
                    "thread " + std::to_string(t) + " run " + std::to_string(run) + ": ";
                switch (run % 3) {
                case 0: {
                    const std::size_t size =
                        100000u * static_cast<std::size_t>(t + 1) + static_cast<std::size_t>(run);
                    const CommandResult result =
                        runCommand(kChild, {"write", std::to_string(size)});
                    if (result.status != 0 || result.output.size() != size ||
                        firstPatternMismatch(result.output) != std::string::npos) {
                        mine.push_back(where + "output of " + std::to_string(size) +
                                       " bytes came back as " +
                                       std::to_string(result.output.size()));
                    }
                    break;
                }
                case 1: {
                    const int status = t * 10 + run;
                    const CommandResult result =
                        runCommand(kChild, {"exit", std::to_string(status)});
                    if (result.ending != CommandResult::Ending::Exited || result.status != status) {
                        mine.push_back(where + "status " + std::to_string(result.status));
                    }
                    break;
                }
                default: {
                    // Another thread's pipe must never be open in this child.
                    const CommandResult result = runCommand(kChild, {"fds"});
                    if (result.status != 0 || !result.output.empty()) {
                        mine.push_back(where + "open descriptors " + result.output);
                    }
                    break;
                }
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    for (const auto& mine : failures) {
        for (const std::string& failure : mine) {
            ADD_FAILURE() << failure;
        }
    }
}

} // namespace
} // namespace scanbrook::platform
