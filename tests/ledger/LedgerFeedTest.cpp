// The ledger fed as a background record would feed it, against the simulated Mac's real log
// tool: a log that forgets after two days, read every six hours for sixty days, leaves the
// ledger holding every event exactly once.
#include "ledger/Recording.h"
#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "reports/LogCommands.h"
#include "reports/ReportTexts.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

namespace scanbrook::ledger {
namespace {

using namespace std::chrono_literals;

/// The report lines of everything the log tool holds from `start` on.
std::string truthFrom(std::int64_t startSeconds, std::size_t& lines) {
    platform::CommandResult output =
        platform::runCommand(platform::platformPath(mac::kLogTool),
                             reports::recordQueryArguments("@" + std::to_string(startSeconds)));
    const reports::CheckTexts texts = reports::checkTexts(30);
    std::string report;
    lines = reports::buildCheckReport(report, texts, std::move(output)).lines;
    return report;
}

TEST(LedgerFeed, RecordsEverySixHoursKeepEveryEventOfALogThatForgetsAfterTwoDays) {
    const test::TempSimRoot root;
    const test::UsingPlatformRoot usingRoot(root.path());
    const test::TempFolder folder;
    const std::string path = folder.file("ledger.sqlite3");
    const platform::TimePoint start(1'780'000'000s);
    root.setControl("log.keep-hours", "48");
    std::int64_t seen = 0;
    platform::TimePoint now = start;
    for (int read = 0; read <= 60 * 4; ++read, now += 6h) {
        root.setControl("now", std::to_string(microsOf(now) / 1'000'000));
        const RecordResult recorded = recordFromLog(path, now);
        ASSERT_TRUE(recorded.logRead) << read << ": " << recorded.logProblem;
        ASSERT_EQ(recorded.write.status, Status::Ok) << read << ": " << recorded.write.problem;
        seen += recorded.write.newEvents;
        EXPECT_EQ(recorded.write.heldEvents, seen);
    }
    now -= 6h;

    // The whole stretch, asked of a log that remembers it all.
    root.setControl("log.keep-hours", std::to_string(70 * 24));
    std::size_t truthLines = 0;
    const std::string truth = truthFrom(microsOf(start - 48h) / 1'000'000, truthLines);
    EXPECT_GT(truthLines, 60U * 3 * 23);
    std::string lines;
    const PeriodResult all = replayPeriod(path, std::nullopt, now, lines);
    EXPECT_EQ(all.check.lines, truthLines);
    EXPECT_TRUE(lines == truth);
    EXPECT_TRUE(all.gaps.empty());
    // History begins with the oldest event the first read found, within the log's two days.
    EXPECT_GE(all.sinceMicros.value_or(0), microsOf(start - 48h));
    EXPECT_LT(all.sinceMicros.value_or(0), microsOf(start - 24h));
}

} // namespace
} // namespace scanbrook::ledger
