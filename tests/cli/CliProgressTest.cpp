// The check's running entry count on standard error: shown on a terminal (a pseudo-terminal
// here), never in a file, never on standard output, and blanked before the result.
#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "reports/ReportTexts.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace scanbrook::cli {
namespace {

/// Three entries, one per line, so that a paced log tool hands them over one by one.
constexpr std::string_view kThreeEntries = "[\n{\"eventMessage\":\"NoThreatDetected\"},\n"
                                           "{\"eventMessage\":\"NoThreatDetected\"},\n"
                                           "{\"eventMessage\":\"NoThreatDetected\"}\n]\n";

struct ProgressRun {
    platform::CommandResult result;
    std::string errorOutput;
};

/// Runs `scanbrook-cli check` on `root` with its standard error on a pseudo-terminal or, when
/// `terminal` is false, in a file.
ProgressRun runCheck(const test::TempSimRoot& root, bool terminal) {
    const test::ScopedEnvironment environment(platform::kPlatformRootVariable, root.path());
    const test::TempFolder folder;
    int reader = -1;
    int writer = -1;
    if (terminal) {
        reader = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(reader, 0) << "no pseudo-terminal: " << errno;
        EXPECT_EQ(::grantpt(reader), 0);
        EXPECT_EQ(::unlockpt(reader), 0);
        writer = ::open(::ptsname(reader), O_RDWR | O_NOCTTY);
    } else {
        writer = ::open(folder.file("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    EXPECT_GE(writer, 0);
    std::fflush(stderr);
    const int savedError = ::dup(STDERR_FILENO);
    ::dup2(writer, STDERR_FILENO);
    ProgressRun run{platform::runCommand(SCANBROOK_CLI_PATH, {"check"}), {}};
    ::dup2(savedError, STDERR_FILENO);
    ::close(savedError);
    if (terminal) {
        // The child has ended; what it wrote waits in the terminal until read.
        ::fcntl(reader, F_SETFL, O_NONBLOCK);
        char piece[4096];
        for (ssize_t count; (count = ::read(reader, piece, sizeof piece)) > 0;) {
            run.errorOutput.append(piece, static_cast<std::size_t>(count));
        }
        ::close(reader);
    } else {
        run.errorOutput = test::readFile(folder.file("stderr")).value_or("");
    }
    ::close(writer);
    return run;
}

struct ProgressCase {
    const char* name;
    bool terminal;
    std::string killAfter; ///< log.kill-after, or empty
    int status;
    std::vector<std::uint64_t> counts; ///< the counts shown, in order
};

class CliProgress : public ::testing::TestWithParam<ProgressCase> {};

TEST_P(CliProgress, ShowsTheCountOnlyOnATerminal) {
    const ProgressCase& c = GetParam();
    const test::TempSimRoot root;
    root.setControl("log.query.output", kThreeEntries);
    // Slower than the least time between two counts, so that every count is shown.
    root.setControl("log.pace", "0.3");
    if (!c.killAfter.empty()) {
        root.setControl("log.kill-after", c.killAfter);
    }
    const ProgressRun run = runCheck(root, c.terminal);

    EXPECT_EQ(run.result.status, c.status);
    EXPECT_EQ(run.result.output.find("Reading the log"), std::string::npos);
    std::string expected;
    std::size_t longest = 0;
    for (const std::uint64_t count : c.counts) {
        const std::string text = reports::readingProgressText(count);
        expected += "\r" + text;
        longest = text.size();
    }
    if (longest != 0) {
        expected += "\r" + std::string(longest, ' ') + "\r";
    }
    EXPECT_EQ(run.errorOutput, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CliProgress,
    ::testing::Values(ProgressCase{"Terminal", true, "", 0, {1, 2, 3}},
                      ProgressCase{"NotATerminal", false, "", 0, {}},
                      // Killed after the first two entries and a part of the third.
                      ProgressCase{"ToolDiesMidOutput", true, "90", 2, {1, 2}}),
    [](const ::testing::TestParamInfo<ProgressCase>& row) { return std::string(row.param.name); });

} // namespace
} // namespace scanbrook::cli
