// The log tool and the XProtect executable misbehaving as real child processes: killed half-way
// through their output, flooding it, closing it and lingering, or not starting at all.

#include "FaultSupport.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Text.h"
#include "reports/LogCommands.h"
#include "reports/ReportTexts.h"
#include "reports/ScanHistoryCheck.h"
#include "reports/ScanRunner.h"
#include "support/ControllerHarness.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace scanbrook {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// 2024-03-05 09:41:07 UTC, so that the simulated history is the same on every run.
constexpr std::string_view kNow = "1709631667";
constexpr std::int64_t kPeriod = 7;

class LogToolFaults : public ::testing::Test {
protected:
    void SetUp() override {
        root.setControl("now", kNow);
        platform::reloadPlatformRoot();
    }
    void TearDown() override {
        // No child may be left for anybody to reap: each call waits for its own.
        EXPECT_FALSE(test::hasUnreapedChild());
    }

    /// The report of one check, as the worker builds it.
    std::pair<std::string, reports::CheckSummary> check() const {
        std::string report = texts.header;
        const reports::CheckSummary summary = reports::runLogQuery(texts, report);
        return {report, summary};
    }

    test::TempSimRoot root;
    test::ScopedEnvironment env{platform::kPlatformRootVariable, root.path()};
    const reports::CheckTexts texts = reports::checkTexts(kPeriod);
};

// --- Killed by a signal half-way through its output ------------------------------------------

/// Where the tool kills itself: a fraction of the normal output's length in thousandths
/// (1000 = at its very end, when the output is whole and valid JSON).
class KilledLogTool : public LogToolFaults, public ::testing::WithParamInterface<int> {};

TEST_P(KilledLogTool, ReportsError9AndNoLineOfTheOutput) {
    const auto [whole, wholeSummary] = check();
    ASSERT_EQ(wholeSummary.outcome, reports::CheckOutcome::Lines);
    const std::size_t outputSize =
        platform::runCommand(root.pathOf(std::string(mac::kLogTool)),
                             reports::checkQueryArguments(texts.periodArgument))
            .output.size();
    ASSERT_GT(outputSize, 10000U);

    root.setControl("log.query.kill-after",
                    std::to_string(outputSize * static_cast<std::size_t>(GetParam()) / 1000));
    const auto [report, summary] = check();
    EXPECT_EQ(summary.outcome, reports::CheckOutcome::ToolFailed);
    EXPECT_EQ(report, "Error 9 when checking the log for XProtect Remediator scans.");
}

INSTANTIATE_TEST_SUITE_P(Points, KilledLogTool, ::testing::Values(0, 1, 333, 500, 999, 1000),
                         [](const auto& p) { return "at" + std::to_string(p.param); });

TEST_F(LogToolFaults, KilledToolThroughTheWindowShowsTheErrorAndHidesTheSpinner) {
    root.setControl("log.query.kill-after", "4000");
    test::ControllerHarness window(test::ControllerHarness::Work::Real);
    window.show();
    window.clock.time = platform::TimePoint{std::chrono::seconds(1'709'631'667)};
    window.console.text = "the last report";

    window.field.text = "7";
    window.controller->doCheckXPR();
    ASSERT_TRUE(window.mainQueue->waitFor(1, 120s));
    EXPECT_EQ(window.mainQueue->runAll(), 1);
    EXPECT_EQ(window.console.text, "Error 9 when checking the log for XProtect Remediator scans.\n"
                                   "Scanned at 2024-03-05T09_41_07Z");
    EXPECT_TRUE(window.spinner.hidden);
    EXPECT_FALSE(window.spinner.animating);
}

// --- A flood of output ---------------------------------------------------------------------

TEST_F(LogToolFaults, TwoHundredMegabytesOfOutputGiveTheWholeReportInBoundedMemory) {
    constexpr std::size_t kMegabytes = 200;
    root.setControl("log.query.huge", std::to_string(kMegabytes));
    const auto [report, summary] = check();

    ASSERT_EQ(summary.outcome, reports::CheckOutcome::Lines);
    // Every entry of the flood is a line of its own; a real entry is under 2 KiB of JSON.
    EXPECT_GT(summary.lines, kMegabytes * 1024 * 1024 / 2048);
    EXPECT_TRUE(report.starts_with(texts.header));
    EXPECT_TRUE(report.ends_with('\n'));
    EXPECT_TRUE(platform::isValidUtf8(report));

    // The output is held whole (the parser needs all of it); what must not happen is a buffer
    // that keeps doubling past need, a second copy of the output, or a report grown in steps.
    // Sanitizers keep freed memory in quarantine and shadow every byte: only plain builds count.
    if (!test::kUnderSanitizer) {
        const std::size_t output = kMegabytes * 1024 * 1024;
        EXPECT_LT(test::peakResidentBytes(), 4 * output)
            << "peak resident size " << test::peakResidentBytes() / (1024 * 1024) << " MiB";
    }
}

// --- Standard output closed early -----------------------------------------------------------

TEST_F(LogToolFaults, ToolThatClosesItsOutputAndLingersIsWaitedForBeforeTheReport) {
    // The exit status comes only after the output has ended: a report that shows it has waited.
    root.setControl("log.query.close-stdout-and-linger", "1.5");
    root.setControl("log.query.status", "5");
    auto [report, summary] = check();
    EXPECT_EQ(summary.outcome, reports::CheckOutcome::ToolFailed);
    EXPECT_EQ(report, "Error 5 when checking the log for XProtect Remediator scans.");

    root.removeControl("log.query.status");
    std::tie(report, summary) = check();
    EXPECT_EQ(summary.outcome, reports::CheckOutcome::Lines);
    EXPECT_GT(summary.lines, 0U);
}

// --- Programs that cannot be started ---------------------------------------------------------

struct NotStartedCase {
    const char* name;
    /// Makes the program at `path` unstartable.
    void (*spoil)(const std::string& path);
    int status;
    const char* reason;
};

void PrintTo(const NotStartedCase& c, std::ostream* os) {
    *os << c.name;
}

void writeExecutable(const std::string& path, const std::string& contents) {
    fs::remove(path);
    std::ofstream(path, std::ios::binary) << contents;
    fs::permissions(path, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
}

const NotStartedCase kNotStarted[] = {
    {"missing", [](const std::string& path) { fs::remove(path); }, 127,
     "No such file or directory"},
    {"notExecutable",
     [](const std::string& path) {
         fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
     },
     126, "Permission denied"},
    {"folder",
     [](const std::string& path) {
         fs::remove(path);
         fs::create_directory(path);
     },
     126, "Permission denied"},
    // No shell is ever asked to make sense of a file the system cannot execute.
    {"textWithoutInterpreterLine",
     [](const std::string& path) { writeExecutable(path, "echo ran > '" + path + ".ran'\n"); }, 126,
     "Exec format error"},
    {"missingInterpreter",
     [](const std::string& path) { writeExecutable(path, "#!/no/such/interpreter\n"); }, 127,
     "No such file or directory"},
    {"garbage", [](const std::string& path) { writeExecutable(path, std::string(64, '\x7f')); },
     126, "Exec format error"},
};

class NotStartedTool : public LogToolFaults,
                       public ::testing::WithParamInterface<NotStartedCase> {};

TEST_P(NotStartedTool, CheckReportsTheStatusAndTheReason) {
    const std::string tool = root.pathOf(std::string(mac::kLogTool));
    GetParam().spoil(tool);
    const auto [report, summary] = check();
    EXPECT_EQ(summary.outcome, reports::CheckOutcome::ToolFailed);
    EXPECT_EQ(report, "Error " + std::to_string(GetParam().status) +
                          " when checking the log for XProtect Remediator scans.\n" + tool +
                          " could not be started: " + GetParam().reason + ".");
    EXPECT_FALSE(fs::exists(tool + ".ran")) << "a shell ran the file";
}

TEST_P(NotStartedTool, RunReportsTheStatusAndTheReason) {
    const std::string scanner = root.pathOf(std::string(mac::kXProtectExecutable));
    GetParam().spoil(scanner);
    const reports::RunOutcome outcome = reports::runXProtectScans();
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.text, "\n\nError " + std::to_string(GetParam().status) +
                                " when running XProtect Remediator scans.\n" + scanner +
                                " could not be started: " + GetParam().reason + ".\n");
    EXPECT_FALSE(fs::exists(scanner + ".ran")) << "a shell ran the file";
}

INSTANTIATE_TEST_SUITE_P(Ways, NotStartedTool, ::testing::ValuesIn(kNotStarted),
                         [](const auto& p) { return std::string(p.param.name); });

} // namespace
} // namespace scanbrook
