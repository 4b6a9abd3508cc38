#pragma once

#include "ledger/Ledger.h"
#include "reports/CheckReport.h"

#include <string>

/// Feeding the ledger: from a check that has read the log anyway, or by a read of its own of
/// only what is new.
namespace scanbrook::ledger {

/// When a read of its own starts: this long before the newest event recorded. Whole seconds
/// are enough for the log tool; the overlap, and the rule that an event is stored once, make
/// the read exact.
inline constexpr std::int64_t kOverlapSeconds = 2;
/// A ledger that is empty, or whose newest event is older than this, is fed with a read of
/// this many days (the longest a check reads).
inline constexpr std::int64_t kFirstReadDays = 30;

/// What `record` asks the log tool for: "--start" "@<seconds>" or "--last" "30d". Pure.
struct RecordSpan {
    std::vector<std::string> arguments;
    /// For the reads table: "start @1709631665" or "last 30d".
    std::string span;
    /// The earliest instant asked for.
    std::int64_t coversFromMicros = 0;
};
RecordSpan recordSpan(const LedgerState& state, platform::TimePoint now);

/// The reads-table row of a check (or a record) that got `check` from the log.
ReadRecord readRecordOf(const reports::CheckSummary& check, std::string span,
                        platform::TimePoint readAt);

/// Stores a check's rows (an EventCollector that observed its report) and its read of the last
/// `days` days.
WriteResult recordCheck(const std::string& path, const EventCollector& rows,
                        const reports::CheckSummary& check, std::int64_t days,
                        platform::TimePoint readAt, const WriteOptions& options = {});

struct RecordResult {
    /// Whether the log could be read; when not, only the read's row was stored.
    bool logRead = false;
    /// When it could not: the check's error line, or what was wrong with the output.
    std::string logProblem;
    reports::CheckSummary check;
    WriteResult write;
};

/// Brings the ledger up to date: reads only what is new from the log (recordSpan()), through
/// the check's own parse, and stores it in one transaction. A ledger made by a newer Scanbrook
/// is not read from the log for.
RecordResult recordFromLog(const std::string& path, platform::TimePoint now,
                           const WriteOptions& options = {});

/// "Recorded N new scan events; the ledger holds M since <date>" (without a line feed).
std::string recordedText(const WriteResult& write);

} // namespace scanbrook::ledger
