#pragma once

#include "ledger/LedgerEvents.h"
#include "platform/Clock.h"
#include "reports/CheckReport.h"
#include "reports/ScanSummary.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

/// The scan ledger: every XProtect Remediator event Scanbrook has read, kept in an SQLite file
/// beyond the log's own short memory (docs/ledger.md). Every function opens the file for the
/// call alone, so any of them may run on any thread; two processes may write at once.
namespace scanbrook::ledger {

inline constexpr int kSchemaVersion = 1;
/// Events older than this many days are pruned by every write (the setting "ledgerKeepDays").
inline constexpr std::int64_t kDefaultKeepDays = 400;
inline constexpr std::int64_t kMinKeepDays = 30;
inline constexpr std::int64_t kMaxKeepDays = 3650;
/// The longest period a reader of the ledger may ask for.
inline constexpr std::int64_t kMaxHistoryDays = 3650;
/// How long a writer waits for another writer's lock before it says the ledger is busy.
inline constexpr std::chrono::milliseconds kBusyTimeout{5000};

std::int64_t clampKeepDays(std::int64_t days);

/// The ledger of the account that runs the program (the machine's own for the superuser).
std::string defaultLedgerPath();

enum class Status {
    Ok,
    Busy,        ///< another writer kept the ledger locked past kBusyTimeout
    NotWritten,  ///< the ledger could not be created or written; its old content is kept
    NotReadable, ///< the ledger could not be read (damaged, or no access)
    Newer,       ///< made by a newer Scanbrook: left untouched
};

/// What a write of the ledger stands for: one read of the log (table "reads").
struct ReadRecord {
    platform::TimePoint readAt;
    /// What was asked of the log, for instance "last 30d" or "start @1709631665".
    std::string span;
    /// The tool's exit status (128 + the signal for a killed tool; 127 when it did not start).
    int toolStatus = 0;
    /// The report's outcome name ("lines", "none_found", "not_an_array", "tool_failed").
    std::string outcome;
    /// Object elements the read gave; those without a usable timestamp are not stored.
    std::int64_t eventsSeen = 0;
    /// The earliest instant the read asked for (microseconds since 1970): where its coverage
    /// begins, if the log still held that far back.
    std::optional<std::int64_t> coversFromMicros = std::nullopt;
};

struct WriteOptions {
    std::int64_t keepDays = kDefaultKeepDays;
    /// A cap on the ledger's size in database pages (SQLite's max_page_count); a write that
    /// would pass it fails like one on a full disk. None by default.
    std::optional<std::int64_t> maxPageCount = std::nullopt;
};

struct WriteResult {
    Status status = Status::Ok;
    /// One sentence when status is not Ok.
    std::string problem;
    /// A damaged or foreign file found in the ledger's place, what became of it, and that a
    /// new ledger was started; empty otherwise. Said even when the write succeeded.
    std::string notice;
    std::int64_t newEvents = 0;
    /// Events the ledger holds after the write, and from when it holds history.
    std::int64_t heldEvents = 0;
    std::optional<std::int64_t> sinceMicros;
};

/// Adds `rows` (each stored once, whatever was stored before) and the read's row, and prunes
/// what is older than options.keepDays before `now`, in one transaction: either all of it is
/// kept or nothing changes. Creates the ledger and its folder when missing.
WriteResult recordRows(const std::string& path, const std::vector<EventRow>& rows,
                       const ReadRecord& read, platform::TimePoint now,
                       const WriteOptions& options = {});

/// What the ledger holds, for deciding what to read next.
struct LedgerState {
    Status status = Status::Ok;
    std::string problem;
    /// Whether the file exists at all.
    bool exists = false;
    std::int64_t events = 0;
    std::optional<std::int64_t> newestMicros;
    std::optional<std::int64_t> sinceMicros;
};
LedgerState ledgerState(const std::string& path);

/// One period of the ledger, read the way a check reads the log.
struct PeriodResult {
    Status status = Status::Ok;
    std::string problem;
    /// Lines when the period holds events, NoneFound when it holds none.
    reports::CheckSummary check;
    /// From when the ledger holds history (microseconds since 1970); nullopt when it holds
    /// none yet.
    std::optional<std::int64_t> sinceMicros;
    /// Whether the period begins before the ledger's history does.
    bool reachesBeforeHistory = false;
    /// Stretches within the period and the ledger's history that no successful read asked for
    /// (from, to; microseconds since 1970), oldest first: the ledger cannot tell whether scans
    /// ran then.
    std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
};

/// The events of the last `days` days before `now` (every event when nullopt), oldest first:
/// each report line is appended to `lines` by the check's own reports::appendReportLine() and
/// given to `observer` (a ScanSummaryBuilder, a CheckEventsJson, …) as a check would give it.
/// A missing ledger is an empty one. Only reads: for any thread, beside a writer.
PeriodResult replayPeriod(const std::string& path, std::optional<std::int64_t> days,
                          platform::TimePoint now, std::string& lines,
                          reports::ReportLineObserver* observer = nullptr);

/// A period with its report lines and summary in one value, for a window's worker thread.
struct LedgerPeriod {
    PeriodResult read;
    /// The report lines, exactly as `scanbrook-cli history` prints them.
    std::string lines;
    reports::ScanSummary summary;
};
LedgerPeriod readPeriod(const std::string& path, std::optional<std::int64_t> days,
                        platform::TimePoint now);

/// "2024-03-05T08:41:07Z": how the ledger's texts write an instant.
std::string sinceText(std::int64_t instantMicros);

/// Microseconds since 1970 of `t`.
std::int64_t microsOf(platform::TimePoint t);

} // namespace scanbrook::ledger
