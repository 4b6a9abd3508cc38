// What the running entry count costs a check end to end: the simulated log tool prints a
// month of output (15,000 entries, about 26 MB) on a pipe, and runLogQuery reads it and builds
// the report, once without anyone asking for the count and once with the count asked for (as
// the window always asks). The difference is the counter's whole cost.
#include "LogOutput.h"
#include "platform/MacPaths.h"
#include "reports/EventCounter.h"
#include "reports/ReportTexts.h"
#include "reports/ScanHistoryCheck.h"
#include "support/SimRoot.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace scanbrook;

constexpr std::size_t kMonthEntries = 15000;

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

void BM_CheckEndToEnd(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const bool counting = state.range(1) != 0;
    const test::UsingPlatformRoot using_(rootWith(entries).path());
    const reports::CheckTexts texts = reports::checkTexts(30);
    std::uint64_t lastCount = 0;
    const reports::EntryCountObserver observer = [&lastCount](std::uint64_t count) {
        lastCount = count;
    };
    for (auto _ : state) {
        std::string report = texts.header;
        const reports::CheckSummary summary =
            reports::runLogQuery(texts, report, nullptr, counting ? observer : nullptr);
        if (summary.lines != entries) {
            state.SkipWithError("the report does not have one line per entry");
            return;
        }
        benchmark::DoNotOptimize(report.data());
    }
    state.SetLabel(counting ? "with the entry count" : "without");
    state.counters["last_count"] = static_cast<double>(lastCount);
}
// A month, and a log so large (about 173 MB) that the check outlasts the first interval and
// the count is taken several times.
BENCHMARK(BM_CheckEndToEnd)
    ->ArgNames({"entries", "counting"})
    ->ArgsProduct({{static_cast<std::int64_t>(kMonthEntries), 100000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(2.0);

/// The counter alone over the month's bytes in memory, fed in the pipe's 64 KiB pieces.
void BM_CountEntries(benchmark::State& state) {
    static const std::string output = bench::makeLogOutput(kMonthEntries);
    constexpr std::size_t kPiece = 64 * 1024;
    for (auto _ : state) {
        reports::EventCounter counter;
        for (std::size_t at = 0; at < output.size(); at += kPiece) {
            counter.feed(std::string_view(output).substr(at, kPiece));
        }
        if (counter.count() != kMonthEntries) {
            state.SkipWithError("the count is not the number of entries");
            return;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(output.size()));
}
BENCHMARK(BM_CountEntries)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
