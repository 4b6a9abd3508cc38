#include "reports/ReportTexts.h"
#include "reports/RunReport.h"
#include "support/CommandResults.h"
#include "support/SimRoot.h"
#include "support/Texts.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <string>

namespace scanbrook::reports {
namespace {

using namespace std::chrono;

TEST(ProgressText, GroupsThousandsAsTheReadmeShows) {
    EXPECT_EQ(readingProgressText(1'234'567), "Reading the log\u2026 1,234,567 events");
}

// A scanner that did not run is never reported as having completed.
TEST(RunText, OfAScannerThatCouldNotStartIsTheErrorAndTheReason) {
    const std::string scanner =
        "/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/MacOS/XProtect";
    EXPECT_EQ(runReportText(testing::notStarted(EACCES, scanner)),
              test::runError(126) + scanner + " could not be started: Permission denied.\n");
}

// Dates are written at GMT whatever the machine's zone: run in one that is on another day at
// the moments formatted.
TEST(DateText, IsWrittenAtGmtWithUnderscoresAndNeverRoundedUp) {
    const platform::TimePoint t = sys_days{2024y / March / 5} + 9h + 41min + 7s;
    const platform::TimePoint lastMoment =
        sys_days{2024y / December / 31} + 23h + 59min + 59s + 999999us;
    {
        const test::ScopedEnvironment tokyo("TZ", "Asia/Tokyo");
        ::tzset();
        EXPECT_EQ(closingLine(t), "\nScanned at 2024-03-05T09_41_07Z");
        EXPECT_EQ(defaultSaveName(t), "Scanbrook-2024-03-05T09_41_07Z.text");
        EXPECT_EQ(lastCheckDateText(lastMoment), "2024-12-31T23_59_59Z");
    }
    ::tzset();
}

} // namespace
} // namespace scanbrook::reports
