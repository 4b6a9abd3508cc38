// What the main window's summary line says of the ledger's reach after a check: from when it
// holds history, and that History has what the log has forgotten.
#include "ledger/HistoryText.h"
#include "support/ControllerHarness.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

namespace scanbrook {
namespace {

using namespace std::chrono_literals;

std::string entry(const std::string& timestamp) {
    return R"([{"timestamp" : ")" + timestamp +
           R"(", "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "x"}])";
}

/// Two checks, as on a Mac whose log has rolled between them: the first read an event of 20
/// days ago, the second's log holds only one of yesterday.
TEST(ViewController, SummaryLineSaysHowFarTheLedgerReachesAndPointsToHistory) {
    const struct {
        std::int64_t days;
        bool pointsToHistory;
    } cases[] = {{30, true}, {1, false}};
    for (const auto& c : cases) {
        test::TempSimRoot root;
        const test::UsingPlatformRoot usingRoot{root.path()};
        test::ControllerHarness h(test::ControllerHarness::Work::Manual,
                                  root.path() + "/l.sqlite3");
        h.defaults.setInteger(30, "timePeriod");
        h.show();
        h.clock.time = platform::TimePoint(1'709'631'667s); // 2024-03-05 09:41:07 UTC
        root.setControl("log.query.output", entry("2024-02-14 10:00:00.000000+0000"));
        h.controller->doCheckXPR();
        h.runWork();
        h.field.setStringValue(std::to_string(c.days));
        h.controller->testSetPeriod();
        root.setControl("log.query.output", entry("2024-03-04 10:00:00.000000+0000"));
        h.controller->doCheckXPR();
        h.runWork();
        const std::string line = h.summary.line;
        EXPECT_NE(line.find(" \u00B7 history kept since 2024-02-14T10:00:00Z"), std::string::npos)
            << line;
        EXPECT_EQ(line.find("; the log holds scans only since 2024-03-04T10:00:00Z; History "
                            "(\u2318Y) has older ones") != std::string::npos,
                  c.pointsToHistory)
            << line;
    }
}

} // namespace
} // namespace scanbrook
