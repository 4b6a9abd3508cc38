// The log tool and the XProtect executable misbehaving as real child processes: killed half-way
// through their output, flooding it, closing it and lingering, or not starting at all.

#include "platform/MacPaths.h"
#include "platform/Text.h"
#include "reports/ReportTexts.h"
#include "reports/ScanHistoryCheck.h"
#include "reports/ScanRunner.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>

namespace scanbrook {
namespace {

class LogToolFaults : public ::testing::Test {
protected:
    void TearDown() override {
        int status = 0; // each command waits for its own child: none is left for anybody to reap
        EXPECT_LE(::waitpid(-1, &status, WNOHANG), 0);
    }

    /// The report of one check of the last 7 days, as the worker builds it.
    std::pair<std::string, reports::CheckSummary> check() const {
        std::string report = texts.header;
        const reports::CheckSummary summary = reports::runLogQuery(texts, report);
        return {report, summary};
    }

    test::TempSimRoot root;
    test::UsingPlatformRoot usingRoot{root.path()};
    const reports::CheckTexts texts = reports::checkTexts(7);
};

TEST_F(LogToolFaults, KilledHalfWayOrAtTheEndReportsError9AndNoLineOfTheOutput) {
    root.setControl("log.query.huge", "1");
    for (const char* killAfter : {"500000", "100000000"}) { // bytes of the megabyte written
        root.setControl("log.query.kill-after", killAfter);
        const auto [report, summary] = check();
        EXPECT_EQ(summary.outcome, reports::CheckOutcome::ToolFailed) << killAfter;
        EXPECT_EQ(report, "Error 9 when checking the log for XProtect Remediator scans.");
    }
}

TEST_F(LogToolFaults, TwoHundredMegabytesOfOutputGiveTheWholeReportInBoundedMemory) {
    constexpr std::size_t kMegabytes = 200;
    root.setControl("log.query.huge", std::to_string(kMegabytes));
    const auto [report, summary] = check();

    ASSERT_EQ(summary.outcome, reports::CheckOutcome::Lines);
    // Every entry of the flood is a line of its own; a real entry is under 2 KiB of JSON.
    EXPECT_GT(summary.lines, kMegabytes * 1024 * 1024 / 2048);
    EXPECT_TRUE(report.starts_with(texts.header) && report.ends_with('\n'));
    EXPECT_TRUE(platform::isValidUtf8(report));

    // The output is held whole (the parser needs all of it); what must not happen is a buffer
    // that keeps doubling past need, a second copy of the output, or a report grown in steps.
    // Sanitizers keep freed memory in quarantine and shadow every byte: only plain builds count.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
#if defined(__APPLE__)
    const long peakMiB = usage.ru_maxrss / (1024 * 1024); // bytes on the Mac
#else
    const long peakMiB = usage.ru_maxrss / 1024; // kilobytes on Linux
#endif
    EXPECT_LT(peakMiB, 4 * static_cast<long>(kMegabytes)) << "MiB at the peak";
#endif
}

TEST_F(LogToolFaults, ToolThatClosesItsOutputAndLingersIsWaitedForBeforeTheReport) {
    // The exit status comes only after the output has ended: a report that shows it has waited.
    root.setControl("log.query.close-stdout-and-linger", "1.5");
    root.setControl("log.query.status", "5");
    EXPECT_EQ(check().first, "Error 5 when checking the log for XProtect Remediator scans.");
    root.setControl("log.query.status", "0");
    EXPECT_GT(check().second.lines, 0U);
}

TEST_F(LogToolFaults, ProgramsThatCannotStartAreReportedWithTheStatusAndTheReason) {
    const std::string tool = root.pathOf(mac::kLogTool);
    const std::string scanner = root.pathOf(mac::kXProtectExecutable);
    const auto expectRefused = [&](const std::string& status, const std::string& reason) {
        const auto [report, summary] = check();
        EXPECT_EQ(summary.outcome, reports::CheckOutcome::ToolFailed);
        EXPECT_EQ(report, "Error " + status +
                              " when checking the log for XProtect Remediator scans.\n" + tool +
                              " could not be started: " + reason + ".");
        const reports::RunOutcome run = reports::runXProtectScans();
        EXPECT_FALSE(run.completed);
        EXPECT_EQ(run.text, "\n\nError " + status + " when running XProtect Remediator scans.\n" +
                                scanner + " could not be started: " + reason + ".\n");
    };
    for (const std::string& program : {tool, scanner}) {
        std::filesystem::permissions(program, std::filesystem::perms::owner_read);
    }
    expectRefused("126", "Permission denied");
    for (const std::string& program : {tool, scanner}) {
        std::filesystem::remove(program);
    }
    expectRefused("127", "No such file or directory");
}

} // namespace
} // namespace scanbrook
