// Report building alone: the log tool's output, already in memory, turned into the report
// text by the path the check ships (buildCheckReport on a result handed over, whose output is
// let go once parsed), next to simdjson's own DOM parse of the same bytes. Each comes twice:
// reusing what an earlier call left (the parser's buffers, warm pages) and as a first use,
// which is what a one-off check (scanbrook-cli, a fleet script) pays.
#include "LogOutput.h"
#include "platform/Process.h"
#include "reports/CheckReport.h"
#include "reports/ReportTexts.h"
#include "reports/ScanSummary.h"

#include <benchmark/benchmark.h>
#include <simdjson.h>

#include <cstddef>
#include <map>
#include <string>
#include <thread>
#include <utility>

namespace {

using namespace scanbrook;

/// The tool's output for `entries` entries, as runCommand hands it over: exit status 0 and
/// the bytes with the parser's padding behind them.
const platform::CommandResult& toolResult(std::size_t entries) {
    static std::map<std::size_t, platform::CommandResult> made;
    auto found = made.find(entries);
    if (found == made.end()) {
        platform::CommandResult result;
        result.ending = platform::CommandResult::Ending::Exited;
        result.status = 0;
        result.launchPath = "/usr/bin/log";
        result.output = bench::makeLogOutput(entries);
        result.output.reserve(result.output.size() + platform::kOutputPadding);
        found = made.emplace(entries, std::move(result)).first;
    }
    return found->second;
}

const reports::CheckTexts& texts() {
    static const reports::CheckTexts made = reports::checkTexts(30);
    return made;
}

/// A copy of the tool's result for one report, with the parser's padding behind its bytes as
/// the command run leaves it: the shipped path lets the output go, so each report needs its own.
platform::CommandResult freshResult(const platform::CommandResult& kept) {
    platform::CommandResult result;
    result.ending = kept.ending;
    result.status = kept.status;
    result.launchPath = kept.launchPath;
    result.output.reserve(kept.output.size() + platform::kOutputPadding);
    result.output.assign(kept.output);
    return result;
}

/// One check's report from the tool's result, handed over as the check hands it; false when
/// it is not one line per entry.
bool buildReport(platform::CommandResult result, std::size_t entries, std::size_t& reportBytes) {
    std::string report = texts().header;
    const reports::CheckSummary summary =
        reports::buildCheckReport(report, texts(), std::move(result));
    benchmark::DoNotOptimize(report.data());
    reportBytes = report.size();
    return summary.outcome == reports::CheckOutcome::Lines && summary.lines == entries;
}

void setCounters(benchmark::State& state, std::size_t bytes, std::size_t reportBytes) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
    state.counters["output_MB"] = static_cast<double>(bytes) / 1e6;
    if (reportBytes != 0) {
        state.counters["report_MB"] = static_cast<double>(reportBytes) / 1e6;
    }
}

/// The report again and again on one thread: the thread's parser keeps its buffers.
void BM_BuildReport(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const platform::CommandResult& result = toolResult(entries);
    std::size_t reportBytes = 0;
    if (!buildReport(freshResult(result), entries, reportBytes)) {
        state.SkipWithError("the report does not have one line per entry");
        return;
    }
    for (auto _ : state) {
        // The copy stands for the command run's buffer and is not timed.
        state.PauseTiming();
        platform::CommandResult fresh = freshResult(result);
        state.ResumeTiming();
        buildReport(std::move(fresh), entries, reportBytes);
    }
    setCounters(state, result.output.size(), reportBytes);
}

/// Each report on a new thread, so with a parser of its own that starts from nothing: the
/// cost of a process that makes one report (the thread's start is a few microseconds).
void BM_BuildReportFirstUse(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const platform::CommandResult& result = toolResult(entries);
    std::size_t reportBytes = 0;
    bool complete = true;
    for (auto _ : state) {
        state.PauseTiming();
        platform::CommandResult fresh = freshResult(result);
        state.ResumeTiming();
        std::thread worker([&] { complete = buildReport(std::move(fresh), entries, reportBytes); });
        worker.join();
    }
    if (!complete) {
        state.SkipWithError("the report does not have one line per entry");
        return;
    }
    setCounters(state, result.output.size(), reportBytes);
}

bool parse(simdjson::dom::parser& parser, const std::string& bytes) {
    const simdjson::padded_string_view padded(bytes.data(), bytes.size(), bytes.capacity());
    simdjson::dom::element root;
    const bool parsed = parser.parse(padded).get(root) == simdjson::SUCCESS;
    benchmark::DoNotOptimize(root);
    return parsed;
}

/// simdjson's DOM parse of the same bytes, parser reused.
void BM_SimdjsonParse(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string& bytes = toolResult(entries).output;
    simdjson::dom::parser parser;
    if (!parse(parser, bytes)) {
        state.SkipWithError("simdjson does not take the output");
        return;
    }
    for (auto _ : state) {
        parse(parser, bytes);
    }
    setCounters(state, bytes.size(), 0);
}

/// simdjson's DOM parse with a new parser each time.
void BM_SimdjsonParseFirstUse(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const std::string& bytes = toolResult(entries).output;
    for (auto _ : state) {
        simdjson::dom::parser parser;
        parse(parser, bytes);
    }
    setCounters(state, bytes.size(), 0);
}

/// What the window's worker does for a check, with (1) or without (0) the scan summary: the
/// report from the tool's result, and the summary from the same parse. Each check on a new
/// thread, as a check does in the window's work queue the first time and scanbrook-cli always.
void BM_CheckSummaryOverhead(benchmark::State& state) {
    const auto entries = static_cast<std::size_t>(state.range(0));
    const bool withSummary = state.range(1) != 0;
    const platform::CommandResult& result = toolResult(entries);
    std::size_t scanners = 0;
    const auto check = [&] {
        std::string report = texts().header;
        if (!withSummary) {
            benchmark::DoNotOptimize(reports::buildCheckReport(report, texts(), result));
            return;
        }
        reports::ScanSummaryBuilder builder;
        const reports::ScanSummary summary =
            builder.finish(reports::buildCheckReport(report, texts(), result, &builder));
        scanners = summary.scanners.size();
        benchmark::DoNotOptimize(report.data());
    };
    for (auto _ : state) {
        std::thread worker(check);
        worker.join();
    }
    if (withSummary && scanners == 0) {
        state.SkipWithError("the summary found no scanner");
        return;
    }
    setCounters(state, result.output.size(), 0);
}

void entryCounts(benchmark::internal::Benchmark* benchmark) {
    benchmark->Arg(1000)->Arg(15000)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();
}

BENCHMARK(BM_BuildReport)->Apply(entryCounts);
BENCHMARK(BM_SimdjsonParse)->Apply(entryCounts);
BENCHMARK(BM_BuildReportFirstUse)->Apply(entryCounts);
BENCHMARK(BM_SimdjsonParseFirstUse)->Apply(entryCounts);
// A month of scans (15,000 entries), without and with the summary.
BENCHMARK(BM_CheckSummaryOverhead)
    ->ArgsProduct({{15000}, {0, 1}})
    ->ArgNames({"entries", "summary"})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
