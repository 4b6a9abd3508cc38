// The scan ledger's store on real SQLite files in temporary folders: events stored once, the
// files it finds in its place, a full disk, pruning, and what a period reads back.
#include "ledger/Ledger.h"
#include "ledger/LedgerSchema.h"
#include "platform/Sqlite.h"
#include "platform/UserInfo.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

namespace scanbrook::ledger {
namespace {

using namespace std::chrono_literals;
namespace sql = platform::sql;

const platform::TimePoint kNow = platform::TimePoint(1'780'000'000s);

/// An event `hoursAgo` before kNow as the log writes it (in a zone an hour east of UTC), made
/// into a row by the collector that a check feeds.
EventRow event(int hoursAgo, std::optional<std::string> message,
               std::optional<std::string> sender = "/Library/XProtectRemediatorPirrit") {
    const std::string utc = utcText(microsOf(kNow) - (hoursAgo - 1) * 3'600'000'000LL + 123'456);
    const std::string timestamp = utc.substr(0, 10) + " " + utc.substr(11, 15) + "+0100";
    platform::LogEntry entry{true, timestamp, sender, message};
    EventCollector collector;
    collector.reportLine(entry, message && !reports::hasCleanScanMarker(*message));
    return collector.rows().at(0);
}

ReadRecord aRead() {
    return {kNow, "last 30d", 0, "lines", 0};
}

std::int64_t count(const std::string& path, const std::string& sql) {
    sql::Database db(path, sql::OpenMode::ReadOnly, 1000ms);
    return db.queryInteger(sql).value_or(-1);
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
        names.push_back(file.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(LedgerStore, StoresEachEventOnceAndReadsItBackAsTheReportDoes) {
    const test::TempFolder folder;
    const std::string path = folder.file("deep/er/ledger.sqlite3");
    // Absent and empty messages and senders are different events at the same instant.
    const std::vector<EventRow> rows = {
        event(50, "NoThreatDetected"), event(3, R"({"status_code":1,"status_message":"Failed"})"),
        event(3, std::nullopt),        event(3, ""),
        event(3, "", std::nullopt),    event(3, "", "")};
    const WriteResult first = recordRows(path, rows, aRead(), kNow);
    ASSERT_EQ(first.status, Status::Ok) << first.problem;
    EXPECT_EQ(first.newEvents, 6);
    const WriteResult again = recordRows(path, rows, aRead(), kNow);
    EXPECT_EQ(again.newEvents, 0);
    EXPECT_EQ(again.heldEvents, 6);
    EXPECT_EQ(again.sinceMicros, rows[0].instantMicros);
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0644));
    EXPECT_EQ(count(path, "SELECT count(*) FROM reads WHERE events_new = 0"), 1);
    EXPECT_EQ(count(path, "SELECT status_code FROM events WHERE outcome = 'warning' AND "
                          "status_message = 'Failed'"),
              1);
    EXPECT_EQ(count(path, "SELECT count(*) FROM events WHERE outcome = 'none'"), 1);
    EXPECT_EQ(count(path, "PRAGMA user_version"), 1);

    std::string lines;
    const PeriodResult day = replayPeriod(path, 1, kNow, lines);
    EXPECT_EQ(day.check.lines, 5U);
    EXPECT_TRUE(day.check.anyWarning);
    EXPECT_TRUE(day.reachesBeforeHistory == false);
    // Events of one microsecond come in no particular order.
    std::vector<std::string> expected;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        reports::appendReportLine(expected.emplace_back(), entryOf(rows[i]));
    }
    std::vector<std::string> got;
    for (std::size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1) {
        got.push_back(lines.substr(at, end + 1 - at));
    }
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    const LedgerPeriod all = readPeriod(path, 3650, kNow);
    EXPECT_TRUE(all.read.reachesBeforeHistory);
    EXPECT_EQ(all.summary.runs, 6U);
    EXPECT_EQ(all.summary.verdict, reports::Verdict::Warnings);
}

TEST(LedgerStore, PrunesWhatIsOlderThanItKeepsInTheSameWrite) {
    const test::TempFolder folder;
    const std::string path = folder.file("ledger.sqlite3");
    ASSERT_EQ(recordRows(path, {event(40 * 24, "a"), event(10, "b")}, aRead(), kNow).newEvents, 2);
    const WriteResult pruned = recordRows(path, {event(5, "c")}, aRead(), kNow, {.keepDays = 30});
    EXPECT_EQ(pruned.heldEvents, 2);
    // The history now begins where pruning let go, not at the first read.
    EXPECT_EQ(pruned.sinceMicros, microsOf(kNow - 30 * 24h));
}

TEST(LedgerStore, SaysWhereNoReadCoveredThePeriod) {
    const test::TempFolder folder;
    const std::string path = folder.file("ledger.sqlite3");
    // Reads of a day each, ten and four days ago, and one from the last of them until now.
    const auto read = [&](int daysAgo, platform::TimePoint coversFrom) {
        ReadRecord r{kNow - daysAgo * 24h, "last 1d", 0, "none_found", 0, microsOf(coversFrom)};
        ASSERT_EQ(recordRows(path, {}, r, kNow).status, Status::Ok);
    };
    read(10, kNow - 11 * 24h);
    read(4, kNow - 5 * 24h);
    read(0, kNow - 4 * 24h);
    std::string lines;
    const PeriodResult week = replayPeriod(path, 7, kNow, lines);
    const std::vector<std::pair<std::int64_t, std::int64_t>> gap = {
        {microsOf(kNow - 7 * 24h), microsOf(kNow - 5 * 24h)}};
    EXPECT_EQ(week.gaps, gap);
    EXPECT_EQ(replayPeriod(path, 4, kNow, lines).gaps.size(), 0U);
}

struct FoundFile {
    const char* name;
    std::function<void(const std::string& path)> make;
    Status status;
    bool movedAside;
};

TEST(LedgerStore, MovesAsideWhatIsNoLedgerAndLeavesANewerOneAlone) {
    const auto sqlite = [](const char* sql) {
        return [sql](const std::string& path) {
            sql::Database db(path, sql::OpenMode::Write, 1000ms);
            db.execute(sql);
        };
    };
    const auto damaged = [](const std::string& path) {
        ASSERT_EQ(recordRows(path, {event(1, "a"), event(2, std::string(5000, 'x'))}, aRead(), kNow)
                      .status,
                  Status::Ok);
        // Overwrite the pages after the first with garbage: the header still reads.
        std::string bytes = test::readFile(path).value();
        for (std::size_t i = 4096; i < bytes.size(); i += 7) {
            bytes[i] = static_cast<char>(0xA5);
        }
        test::writeFile(path, bytes);
    };
    const std::string newer =
        "CREATE TABLE events (x); PRAGMA application_id = " + std::to_string(kApplicationId) +
        "; PRAGMA user_version = 2;";
    const FoundFile cases[] = {
        {"NotSqlite", [](const std::string& p) { test::writeFile(p, std::string(3000, 'z')); },
         Status::Ok, true},
        {"Foreign", sqlite("CREATE TABLE notes (x); INSERT INTO notes VALUES (1);"), Status::Ok,
         true},
        {"Damaged", damaged, Status::Ok, true},
        {"Newer", sqlite(newer.c_str()), Status::Newer, false},
        {"Empty", [](const std::string& p) { test::writeFile(p, ""); }, Status::Ok, false},
    };
    for (const FoundFile& c : cases) {
        const test::TempFolder folder;
        const std::string path = folder.file("ledger.sqlite3");
        c.make(path);
        const std::string before = test::readFile(path).value();
        const WriteResult result = recordRows(path, {event(1, "new")}, aRead(), kNow);
        EXPECT_EQ(result.status, c.status) << c.name << ": " << result.problem;
        const std::vector<std::string> files = filesIn(folder.path());
        if (c.movedAside) {
            ASSERT_EQ(files.size(), 2U) << c.name;
            EXPECT_TRUE(files[1].starts_with("ledger.sqlite3.corrupt-20")) << files[1];
            EXPECT_TRUE(test::readFile(folder.file(files[1])) == before) << c.name;
            EXPECT_NE(result.notice.find("a new ledger was started"), std::string::npos);
        } else {
            EXPECT_EQ(files, std::vector<std::string>{"ledger.sqlite3"}) << c.name;
            EXPECT_EQ(result.notice, "") << c.name;
        }
        if (c.status == Status::Newer) {
            EXPECT_TRUE(test::readFile(path) == before);
            EXPECT_NE(result.problem.find("made by a newer Scanbrook"), std::string::npos);
            EXPECT_EQ(ledgerState(path).status, Status::Newer);
        } else {
            EXPECT_EQ(result.heldEvents, 1) << c.name;
        }
    }
}

TEST(LedgerStore, AFullDiskRollsBackAndKeepsTheOldContent) {
    const test::TempFolder folder;
    const std::string path = folder.file("ledger.sqlite3");
    ASSERT_EQ(recordRows(path, {event(1, "old")}, aRead(), kNow).status, Status::Ok);
    const std::string before = test::readFile(path).value();
    const std::int64_t pages = count(path, "PRAGMA page_count");
    std::vector<EventRow> many;
    for (int i = 0; i < 2000; ++i) {
        many.push_back(event(2, "message " + std::to_string(i) + std::string(200, 'm')));
    }
    const WriteResult full = recordRows(path, many, aRead(), kNow, {.maxPageCount = pages});
    EXPECT_EQ(full.status, Status::NotWritten);
    EXPECT_NE(full.problem.find("full"), std::string::npos) << full.problem;
    EXPECT_TRUE(test::readFile(path) == before);
    EXPECT_EQ(filesIn(folder.path()), std::vector<std::string>{"ledger.sqlite3"});
    EXPECT_EQ(ledgerState(path).events, 1);
}

} // namespace
} // namespace scanbrook::ledger

namespace scanbrook::platform {
namespace {

/// Where the ledger lives; under a simulated root every path lies beneath it, the home too.
TEST(LedgerPath, FollowsTheAccountTheSystemAndTheSimulatedRoot) {
    struct Case {
        bool superUser;
        bool mac;
        const char* xdg;
        const char* root;
        const char* path;
    };
    const Case cases[] = {
        {false, true, "/x", "", "/Users/a/Library/Application Support/Scanbrook/l"},
        {true, true, "", "", "/Library/Application Support/Scanbrook/l"},
        {false, false, "", "", "/Users/a/.local/share/scanbrook/l"},
        {false, false, "/data", "", "/data/scanbrook/l"},
        {false, false, "relative", "", "/Users/a/.local/share/scanbrook/l"},
        {false, false, "", "/sim", "/sim/Users/a/.local/share/scanbrook/l"},
        {true, false, "", "/sim", "/sim/Library/Application Support/Scanbrook/l"},
        {true, false, "", "", "/Users/a/.local/share/scanbrook/l"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(applicationDataPathFor("l", c.superUser, c.mac, "/Users/a", c.xdg, c.root),
                  c.path);
    }
}

} // namespace
} // namespace scanbrook::platform
