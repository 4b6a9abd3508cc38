// The check's running entry count on standard error: shown on a terminal (a pseudo-terminal
// here), never in a file, never on standard output, and blanked before the result.
#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "reports/ReportTexts.h"
#include "support/SimRoot.h"
#include "support/Texts.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace scanbrook::cli {
namespace {

TEST(CliProgress, ShowsTheCountOnlyOnATerminal) {
    // Kill-after (empty: none), a terminal, the exit status, the last count shown (0: none).
    const std::tuple<std::string, bool, int, std::uint64_t> cases[] = {
        {"", true, 0, 3}, {"", false, 0, 0}, {"90", true, 2, 2}}; // 90: dies in the third entry
    for (const auto& [killAfter, terminal, status, last] : cases) {
        const test::TempSimRoot root;
        // Three entries, a line each.
        root.setControl("log.query.output", "[\n{\"eventMessage\":\"NoThreatDetected\"},\n"
                                            "{\"eventMessage\":\"NoThreatDetected\"},\n"
                                            "{\"eventMessage\":\"NoThreatDetected\"}\n]\n");
        // Slow enough on a terminal for every count to be shown; in a file, for one count to be
        // due (after 250 ms) that must not be shown.
        root.setControl("log.pace", terminal ? "0.3" : "0.15");
        if (!killAfter.empty()) {
            root.setControl("log.kill-after", killAfter);
        }
        const test::ScopedEnvironment environment(platform::kPlatformRootVariable, root.path());
        const int terminalSide = ::posix_openpt(O_RDWR | O_NOCTTY);
        ASSERT_GE(terminalSide, 0);
        ASSERT_EQ(::grantpt(terminalSide), 0);
        ASSERT_EQ(::unlockpt(terminalSide), 0);
        const int errorOutput =
            terminal ? ::open(::ptsname(terminalSide), O_RDWR | O_NOCTTY)
                     : ::open(root.pathOf("/stderr").c_str(), O_WRONLY | O_CREAT, 0600);
        ASSERT_GE(errorOutput, 0);
        const int savedError = ::dup(STDERR_FILENO);
        ::dup2(errorOutput, STDERR_FILENO); // the child inherits it
        const platform::CommandResult result = platform::runCommand(SCANBROOK_CLI_PATH, {"check"});
        ::dup2(savedError, STDERR_FILENO);
        ::close(savedError);
        std::string shown = test::readFile(root.pathOf("/stderr")).value_or("");
        // The child has ended; what it wrote waits in the terminal until read.
        ::fcntl(terminalSide, F_SETFL, O_NONBLOCK);
        char piece[4096];
        for (ssize_t n; (n = ::read(terminalSide, piece, sizeof piece)) > 0;) {
            shown.append(piece, static_cast<std::size_t>(n));
        }
        ::close(terminalSide);
        ::close(errorOutput);

        // A log that could not be read says why once the count is gone (a terminal ends lines
        // with a carriage return too).
        const std::string why =
            status == 2 ? "scanbrook-cli: the log could not be read: " + test::checkError(9) +
                              (terminal ? "\r\n" : "\n")
                        : "";
        ASSERT_TRUE(shown.ends_with(why)) << shown;
        shown.resize(shown.size() - why.size());
        // Rising counts, each rewriting the line, the last one blanked again.
        const std::string lastText = last == 0 ? "" : reports::readingProgressText(last);
        const std::string blank = "\r" + std::string(lastText.size(), ' ') + "\r";
        ASSERT_TRUE(last == 0 ? shown.empty() : shown.ends_with(lastText + blank)) << shown;
        std::uint64_t count = 0;
        for (std::size_t at = 0; last != 0 && at < shown.size() - blank.size();) {
            const std::size_t next = shown.find('\r', at + 1);
            const std::string text = shown.substr(at + 1, next - at - 1);
            while (++count < last && reports::readingProgressText(count) != text) {
            }
            EXPECT_EQ(reports::readingProgressText(count), text) << "counts only rise";
            at = next;
        }
        EXPECT_EQ(count, last);
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.output.find("Reading the log"), std::string::npos);
    }
}

} // namespace
} // namespace scanbrook::cli
