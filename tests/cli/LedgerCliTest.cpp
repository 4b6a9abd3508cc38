// scanbrook-cli's record, history and summary --recorded, run as programs against private copies
// of the simulated Mac and real ledger files.
#include "ledger/LedgerSchema.h"
#include "platform/Process.h"
#include "platform/Sqlite.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace scanbrook::cli {
namespace {

using namespace std::chrono_literals;
using Root = test::TempSimRoot;
namespace sql = platform::sql;

struct LedgerRun {
    int status = -1;
    std::string output;
    std::string errors;
};

/// Runs scanbrook-cli on `root` with `arguments`, standard error in a file of its own.
LedgerRun cli(const Root& root, std::vector<std::string> arguments) {
    static std::atomic<int> runs{0};
    const std::string errors = root.path() + "/stderr-" + std::to_string(runs++);
    arguments.insert(arguments.begin(),
                     {"-c", "exec \"$0\" \"$@\" 2>\"" + errors + "\"", SCANBROOK_CLI_PATH});
    platform::CommandResult result = platform::runCommand("/usr/bin/env", [&] {
        // A zone three and a half hours west of UTC: the log's texts end in "-0330".
        std::vector<std::string> all{std::string(platform::kPlatformRootVariable) + "=" +
                                         root.path(),
                                     "TZ=America/St_Johns", "/bin/sh"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        return all;
    }());
    return {result.status, std::move(result.output), test::readFile(errors).value_or("")};
}

/// The report lines of a check or history: what lies between the header's empty line and the
/// closing line's.
std::string reportLines(const std::string& text) {
    const std::size_t from = text.find("\n\n");
    const std::size_t to = text.rfind("\n\nScanned at ");
    return from == std::string::npos || to == std::string::npos || to < from
               ? "(no report: " + text + ")"
               : text.substr(from + 2, to + 1 - (from + 2));
}

std::int64_t query(const std::string& path, const std::string& text) {
    sql::Database db(path, sql::OpenMode::ReadOnly, 1000ms);
    return db.queryInteger(text).value_or(-1);
}

TEST(LedgerCli, HistoryPrintsTheLinesOfTheCheckOfTheSamePeriod) {
    const Root root;
    const std::string ledger = root.path() + "/ledger.sqlite3";
    const LedgerRun month = cli(root, {"check", "--days", "30", "--ledger", ledger});
    ASSERT_LE(month.status, 1) << month.errors;
    ASSERT_EQ(month.errors, "");
    for (const char* days : {"1", "7", "30"}) {
        const LedgerRun check = cli(root, {"check", "--days", days, "--ledger", ledger});
        const LedgerRun history = cli(root, {"history", "--days", days, "--ledger", ledger});
        EXPECT_EQ(history.status, check.status) << days;
        EXPECT_GT(reportLines(check.output).size(), 1000U) << days;
        EXPECT_TRUE(reportLines(history.output) == reportLines(check.output)) << days;
        EXPECT_TRUE(
            history.output.starts_with("XProtect Remediator scans recorded in the last " +
                                       std::string(days == std::string("1") ? "day" : days) +
                                       (days == std::string("1") ? ":\n" : " days:\n")))
            << history.output.substr(0, 200);
    }
    // Read three more times, the ledger still holds each event once.
    EXPECT_EQ(query(ledger, "SELECT count(*) FROM events"),
              std::count(month.output.begin(), month.output.end(), '\n') - 4);
    const LedgerRun year = cli(root, {"history", "--days", "365", "--ledger", ledger, "--json"});
    EXPECT_NE(year.output.find(R"("source":"ledger","recorded_since":"20)"), std::string::npos)
        << year.output.substr(0, 300);
    EXPECT_NE(cli(root, {"history", "--days", "365", "--ledger", ledger})
                  .output.find(":\nThe ledger holds history since 20"),
              std::string::npos);
}

TEST(LedgerCli, TwoWritersAtOnceStoreEveryEventOnceOrSayBusy) {
    const Root root;
    const std::string ledger = root.path() + "/ledger.sqlite3";
    LedgerRun first;
    LedgerRun second;
    std::thread other([&] { second = cli(root, {"check", "--days", "30", "--ledger", ledger}); });
    first = cli(root, {"record", "--ledger", ledger});
    other.join();
    EXPECT_EQ(first.status == 75, first.errors.find("stayed busy") != std::string::npos);
    EXPECT_TRUE(second.errors.empty() || second.errors.find("stayed busy") != std::string::npos)
        << second.errors;
    const LedgerRun check =
        cli(root, {"check", "--days", "30", "--ledger", root.path() + "/other"});
    EXPECT_EQ(query(ledger, "SELECT count(*) FROM events"),
              std::count(check.output.begin(), check.output.end(), '\n') - 4);
    EXPECT_EQ(query(ledger, "SELECT count(*) FROM reads"),
              2 - (first.status == 75) - (second.errors.empty() ? 0 : 1));
}

struct RecordCase {
    const char* name;
    std::function<void(const Root&, const std::string& ledger)> prepare;
    std::vector<std::string> arguments;
    int status;
    std::string output; ///< the start of standard output
    std::string errors; ///< a part of standard error
};

TEST(LedgerCli, RecordAndRecordedSummarySayHowTheyWent) {
    const auto control = [](const char* name, std::string value) {
        return [=](const Root& root, const std::string&) { root.setControl(name, value); };
    };
    const auto newer = [](const Root&, const std::string& ledger) {
        sql::Database db(ledger, sql::OpenMode::Write, 1000ms);
        db.execute("CREATE TABLE events (x); PRAGMA user_version = 7; PRAGMA application_id = " +
                   std::to_string(ledger::kApplicationId));
    };
    const RecordCase cases[] = {
        {"FirstRecordReadsAMonth",
         [](const Root&, const std::string&) {},
         {"record"},
         0,
         "Recorded 2",
         "; the ledger holds 2"},
        {"LogFails",
         control("log.status", "3"),
         {"record"},
         2,
         "",
         "Error 3 when checking the log"},
        {"NewerLedger", newer, {"record"}, 74, "", "was made by a newer Scanbrook"},
        {"NoFolder",
         [](const Root& root, const std::string&) { root.writeFile("/file", "x"); },
         {"record", "--ledger", "FILE/ledger.sqlite3"},
         74,
         "",
         "could not be written"},
        {"NoScansSinceHistoryBegins",
         control("log.output", "[]"),
         {"summary", "--recorded", "--days", "60"},
         4,
         "No scans found since 20",
         ", when history begins\n"},
        {"RecordedSummaryJson",
         control("log.output", "[]"),
         {"summary", "--recorded", "--json", "--days=3650"},
         4,
         R"({"format_version":1,)",
         R"("period_days":3650,)"},
    };
    for (const RecordCase& c : cases) {
        const Root root;
        const std::string ledger = root.path() + "/ledger.sqlite3";
        c.prepare(root, ledger);
        std::vector<std::string> arguments = c.arguments;
        if (arguments.size() > 2 && arguments[2].starts_with("FILE")) {
            arguments[2].replace(0, 4, root.pathOf("/file"));
        } else {
            arguments.insert(arguments.end(), {"--ledger", ledger});
        }
        const LedgerRun run = cli(root, arguments);
        EXPECT_EQ(run.status, c.status) << c.name << run.errors;
        EXPECT_TRUE(run.output.starts_with(c.output)) << c.name << ": " << run.output;
        EXPECT_NE((run.output + run.errors).find(c.errors), std::string::npos)
            << c.name << ": " << run.output << run.errors;
        if (c.status == 2) {
            EXPECT_EQ(query(ledger, "SELECT count(*) FROM reads WHERE tool_status = 3"), 1);
        }
    }
}

TEST(LedgerCli, RecordSaysTheLedgerStayedBusy) {
    const Root root;
    const std::string ledger = root.path() + "/ledger.sqlite3";
    ASSERT_EQ(cli(root, {"record", "--ledger", ledger}).status, 0);
    sql::Database holder(ledger, sql::OpenMode::Write, 1000ms);
    const sql::Transaction held(holder);
    const LedgerRun busy = cli(root, {"record", "--ledger", ledger});
    EXPECT_EQ(busy.status, 75);
    EXPECT_NE(busy.errors.find("stayed busy"), std::string::npos) << busy.errors;
}

} // namespace
} // namespace scanbrook::cli
