// What the scan ledger costs and gives: a month's check end to end with and without recording
// what it read (into a new ledger, and into one that holds it already), a year's history read
// back from a ledger of 100,000 events, the ledger's bytes per byte of event message, and a
// record that finds nothing new next to a month's read under the simulated tool's cost model.
#include "LogOutput.h"
#include "ledger/Ledger.h"
#include "ledger/Recording.h"
#include "reports/ReportTexts.h"
#include "reports/ScanHistoryCheck.h"
#include "reports/ScanSummary.h"
#include "support/SimRoot.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

namespace {

using namespace scanbrook;

constexpr std::size_t kMonthEntries = 15000;
constexpr std::size_t kYearOfLedger = 100000;

/// A private copy of the simulated Mac whose log tool prints `entries` entries.
const test::TempSimRoot& rootWith(std::size_t entries) {
    static std::map<std::size_t, std::unique_ptr<test::TempSimRoot>> made;
    auto& root = made[entries];
    if (!root) {
        root = std::make_unique<test::TempSimRoot>();
        root->setControl("log.query.output", bench::makeLogOutput(entries));
    }
    return *root;
}

/// The rows of `entries` entries, parsed as a check parses them.
ledger::EventCollector rowsOf(std::size_t entries) {
    platform::CommandResult result;
    result.ending = platform::CommandResult::Ending::Exited;
    result.status = 0;
    result.output = bench::makeLogOutput(entries);
    result.output.reserve(result.output.size() + platform::kOutputPadding);
    const reports::CheckTexts texts = reports::checkTexts(30);
    std::string report = texts.header;
    ledger::EventCollector rows;
    reports::buildCheckReport(report, texts, std::move(result), &rows);
    return rows;
}

platform::TimePoint after(const std::vector<ledger::EventRow>& rows) {
    return platform::TimePoint(std::chrono::microseconds(rows.back().instantMicros + 1'000'000));
}

/// mode 0: the check alone; 1: and recorded into a new ledger; 2: into one that holds it;
/// 3: the rows collected but not written.
void BM_CheckEndToEnd(benchmark::State& state) {
    const int mode = static_cast<int>(state.range(0));
    const test::UsingPlatformRoot using_(rootWith(kMonthEntries).path());
    const test::TempFolder folder;
    const std::string path = folder.file("ledger.sqlite3");
    const reports::CheckTexts texts = reports::checkTexts(30);
    for (auto _ : state) {
        if (mode == 1) {
            state.PauseTiming();
            std::filesystem::remove(path);
            state.ResumeTiming();
        }
        std::string report = texts.header;
        reports::ScanSummaryBuilder builder;
        ledger::EventCollector rows;
        ledger::ObserverPair observers(&builder, mode == 0 ? nullptr : &rows);
        const reports::CheckSummary check = reports::runLogQuery(texts, report, &observers);
        benchmark::DoNotOptimize(builder.finish(check));
        if (mode == 1 || mode == 2) {
            const ledger::WriteResult written =
                ledger::recordCheck(path, rows, check, 30, after(rows.rows()));
            if (written.status != ledger::Status::Ok) {
                state.SkipWithError(written.problem.c_str());
                return;
            }
        }
    }
    const char* const labels[] = {"check", "check + record (new ledger)",
                                  "check + record (events held)", "check + rows collected"};
    state.SetLabel(labels[mode]);
}
BENCHMARK(BM_CheckEndToEnd)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

/// history --days 365 over a ledger of 100,000 events: the report's lines and the summary.
void BM_History365(benchmark::State& state) {
    const test::TempFolder folder;
    const std::string path = folder.file("ledger.sqlite3");
    const ledger::EventCollector rows = rowsOf(kYearOfLedger);
    const platform::TimePoint now = after(rows.rows());
    ledger::recordRows(path, rows.rows(), {now, "last 30d", 0, "lines", 0}, now);
    double messageBytes = 0;
    for (const ledger::EventRow& row : rows.rows()) {
        messageBytes += static_cast<double>(row.message ? row.message->size() : 0);
    }
    for (auto _ : state) {
        const ledger::LedgerPeriod period = ledger::readPeriod(path, 365, now);
        if (period.read.check.lines != kYearOfLedger) {
            state.SkipWithError("the period does not hold every event");
            return;
        }
        benchmark::DoNotOptimize(period.lines.data());
    }
    state.counters["ledger_bytes_per_message_byte"] =
        static_cast<double>(std::filesystem::file_size(path)) / messageBytes;
    state.counters["ledger_mib"] =
        static_cast<double>(std::filesystem::file_size(path)) / (1024.0 * 1024.0);
}
BENCHMARK(BM_History365)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

/// Under the simulated log tool's cost model (log.seconds-per-day 1: a second per day of span
/// asked for): a record that finds nothing new (mode 1) next to a 30-day check (mode 0). The
/// ledger holds the month already.
void BM_CostModel(benchmark::State& state) {
    const bool record = state.range(0) == 1;
    static const test::TempSimRoot root;
    static const platform::TimePoint now(std::chrono::seconds(1'780'000'000));
    const test::UsingPlatformRoot using_(root.path());
    static const test::TempFolder folder;
    const std::string path = folder.file("ledger.sqlite3");
    if (!ledger::ledgerState(path).exists) {
        root.setControl("now", "1780000000");
        ledger::recordFromLog(path, now);
        root.setControl("log.seconds-per-day", "1");
    }
    const reports::CheckTexts texts = reports::checkTexts(30);
    for (auto _ : state) {
        if (record) {
            const ledger::RecordResult recorded = ledger::recordFromLog(path, now);
            if (recorded.write.newEvents != 0 || !recorded.logRead) {
                state.SkipWithError("the record found something new, or no log");
                return;
            }
        } else {
            std::string report = texts.header;
            reports::ScanSummaryBuilder builder;
            benchmark::DoNotOptimize(builder.finish(reports::runLogQuery(texts, report, &builder)));
        }
    }
    state.SetLabel(record ? "record, nothing new" : "check --days 30");
}
BENCHMARK(BM_CostModel)
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace

BENCHMARK_MAIN();
