#include "ledger/Ledger.h"

#include "ledger/LedgerSchema.h"
#include "platform/DateFormat.h"
#include "platform/Paths.h"
#include "platform/Sqlite.h"
#include "platform/UserInfo.h"
#include "reports/ReportTexts.h"

#include <algorithm>
#include <map>
#include <memory>
#include <set>

namespace scanbrook::ledger {

namespace sql = platform::sql;

namespace {

constexpr std::int64_t kMicrosPerDay = 86'400'000'000LL;
constexpr std::string_view kStatusCodeKey = "status_code";
constexpr std::string_view kStatusMessageKey = "status_message";

std::string parentFolder(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

/// Moves the unreadable file at `path` aside under a name that says when, and says so; says
/// nothing when another writer has already put a new ledger in its place.
std::string moveAside(const std::string& path, const std::optional<sql::FileIdentity>& found,
                      platform::TimePoint now, const std::string& why) {
    if (!found) {
        return {};
    }
    const std::string stem = path + ".corrupt-" + reports::lastCheckDateText(now);
    std::string target = stem;
    for (int n = 2; platform::fileExists(target); ++n) {
        target = stem + "-" + std::to_string(n);
    }
    const sql::MoveAside moved = sql::moveDatabaseAside(path, target, *found);
    if (moved.failure) {
        throw sql::Error(sql::Failure::ReadOnly, 0,
                         "it is not a readable scan ledger (" + why +
                             ") and could not be moved aside: " + *moved.failure);
    }
    if (!moved.moved) {
        return {};
    }
    return "The file at " + path + " was not a readable scan ledger (" + why +
           "); it was moved to " + target + " and a new ledger was started.";
}

/// The ids of the texts (sender paths, status messages) that events share, added as needed.
class TextIds {
public:
    /// `table`: "name (columns)" to insert into; `where`: "name WHERE column" to look up by.
    TextIds(sql::Database& db, const std::string& table, const std::string& where)
        : insert(db, "INSERT OR IGNORE INTO " + table + " VALUES (" +
                         (table.find(',') != std::string::npos ? "?1, ?2" : "?1") + ")"),
          select(db, "SELECT id FROM " + where + " = ?1") {}

    std::int64_t idOf(std::string_view text, std::string_view second = {}) {
        if (const auto found = ids.find(text); found != ids.end()) {
            return found->second;
        }
        insert.bind(1, text);
        if (insert.isParameter(2)) {
            insert.bind(2, second);
        }
        insert.step();
        insert.reset();
        select.bind(1, text);
        select.step();
        const std::int64_t id = select.integer(0);
        select.reset();
        ids.emplace(std::string(text), id);
        return id;
    }

private:
    sql::Statement insert;
    sql::Statement select;
    std::map<std::string, std::int64_t, std::less<>> ids;
};

std::optional<std::int64_t> metaValue(sql::Database& db, std::string_view key) {
    sql::Statement statement(db, "SELECT value FROM meta WHERE key = ?1");
    statement.bind(1, key);
    return statement.step() ? statement.optionalInteger(0) : std::nullopt;
}

/// The stretches between `from` and `to` that no successful read asked for: a read covers from
/// what it asked for to when it ran.
std::vector<std::pair<std::int64_t, std::int64_t>>
coverageGaps(sql::Database& db, std::int64_t from, std::int64_t to) {
    std::vector<std::pair<std::int64_t, std::int64_t>> gaps;
    sql::Statement reads(db, "SELECT coalesce(covers_from_us, read_at_us), read_at_us FROM reads "
                             "WHERE outcome IN ('lines', 'none_found') AND read_at_us >= ?1 "
                             "ORDER BY read_at_us");
    reads.bind(1, from);
    std::int64_t coveredUntil = from;
    while (reads.step()) {
        const std::int64_t start = reads.integer(0);
        if (start > coveredUntil) {
            gaps.emplace_back(coveredUntil, std::min(start, to));
        }
        coveredUntil = std::max(coveredUntil, reads.integer(1));
    }
    return gaps;
}

/// From when the ledger holds history: its oldest event or its first successful read,
/// whichever is older, but never before what pruning has let go.
std::optional<std::int64_t> historySince(sql::Database& db) {
    const auto oldestEvent = db.queryInteger("SELECT min(instant_us) FROM event_rows");
    const auto firstRead = db.queryInteger(
        "SELECT min(read_at_us) FROM reads WHERE outcome IN ('lines', 'none_found')");
    std::optional<std::int64_t> since = oldestEvent;
    if (firstRead && (!since || *firstRead < *since)) {
        since = firstRead;
    }
    const auto began = metaValue(db, kHistoryBeganKey);
    if (began && (!since || *began < *since)) {
        since = began;
    }
    const auto prunedBefore = metaValue(db, kPrunedBeforeKey);
    if (since && prunedBefore && *prunedBefore > *since) {
        since = prunedBefore;
    }
    return since;
}

void write(sql::Database& db, const std::vector<EventRow>& rows, const ReadRecord& read,
           platform::TimePoint now, const WriteOptions& options, WriteResult& result) {
    if (options.maxPageCount) {
        db.execute("PRAGMA max_page_count = " + std::to_string(*options.maxPageCount));
    }
    sql::Transaction transaction(db);
    TextIds senders(db, "senders (sender_path, scanner)", "senders WHERE sender_path");
    TextIds statuses(db, "status_messages (text)", "status_messages WHERE text");
    sql::Statement insert(db,
                          "INSERT OR IGNORE INTO event_rows (instant_us, event_key, "
                          "zone_minutes, timestamp_text, sender_id, message, outcome, "
                          "status_code, status_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    std::int64_t added = 0;
    std::optional<std::int64_t> oldest;
    std::optional<std::int64_t> newest;
    for (const EventRow& row : rows) {
        oldest = std::min(oldest.value_or(row.instantMicros), row.instantMicros);
        newest = std::max(newest.value_or(row.instantMicros), row.instantMicros);
    }
    // What the ledger holds of the read's stretch already, in one pass over the key: a check
    // mostly reads again what earlier reads stored, and a row found here costs no insert and
    // no parse of its message.
    std::set<std::pair<std::int64_t, std::int64_t>> held;
    if (oldest) {
        sql::Statement heldKeys(db, "SELECT instant_us, event_key FROM event_rows "
                                    "WHERE instant_us BETWEEN ?1 AND ?2");
        heldKeys.bind(1, *oldest).bind(2, *newest);
        while (heldKeys.step()) {
            held.emplace(heldKeys.integer(0), heldKeys.integer(1));
        }
    }
    for (const EventRow& row : rows) {
        const std::int64_t key = eventKey(row);
        if (held.contains({row.instantMicros, key})) {
            continue;
        }
        const std::optional<std::string_view> sender =
            row.senderPath ? std::optional<std::string_view>(*row.senderPath) : std::nullopt;
        // The text is kept only when the instant and the zone do not give it back.
        const bool textNeeded =
            logTimestampText(row.instantMicros, row.zoneMinutes) != row.timestamp;
        // Where the summary finds them: top-level members of a message that is a JSON object.
        platform::IntegerAndString status;
        if (row.message) {
            status = platform::objectIntegerAndStringMembers(*row.message, kStatusCodeKey,
                                                             kStatusMessageKey);
        }
        insert.bind(1, row.instantMicros)
            .bind(2, key)
            .bind(3, row.zoneMinutes)
            .bind(4, textNeeded ? std::optional<std::string_view>(row.timestamp) : std::nullopt)
            .bind(5, sender ? std::optional<std::int64_t>(
                                  senders.idOf(*sender, reports::scannerName(sender)))
                            : std::nullopt)
            .bind(6, row.message ? std::optional<std::string_view>(*row.message) : std::nullopt)
            .bind(7, std::int64_t{!row.message  ? 0
                                  : row.warning ? 2
                                                : 1})
            .bind(8, status.integer)
            .bind(9, status.string ? std::optional<std::int64_t>(statuses.idOf(*status.string))
                                   : std::nullopt);
        insert.step();
        insert.reset();
        const std::int64_t changed = db.changes();
        added += changed;
        if (changed != 0) {
            // A read may hold the same entry twice.
            held.emplace(row.instantMicros, key);
        }
    }
    const auto utc = [](const std::optional<std::int64_t>& micros) {
        return micros ? std::optional<std::string>(utcText(*micros)) : std::nullopt;
    };
    const auto oldestText = utc(oldest);
    const auto newestText = utc(newest);
    const std::int64_t readAt = microsOf(read.readAt);
    sql::Statement insertRead(
        db, "INSERT INTO reads (read_at_utc, read_at_us, span, tool_status, outcome, "
            "events_seen, events_new, oldest_utc, newest_utc, covers_from_us) "
            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
    insertRead.bind(1, std::string_view(utcText(readAt)))
        .bind(2, readAt)
        .bind(3, std::string_view(read.span))
        .bind(4, std::int64_t{read.toolStatus})
        .bind(5, std::string_view(read.outcome))
        .bind(6, read.eventsSeen)
        .bind(7, added)
        .bind(8, oldestText ? std::optional<std::string_view>(*oldestText) : std::nullopt)
        .bind(9, newestText ? std::optional<std::string_view>(*newestText) : std::nullopt)
        .bind(10, read.coversFromMicros);
    insertRead.step();

    // Pruned in the same transaction, so the ledger never holds more than it may, and never
    // loses what it held unless the write that lets it go succeeds.
    const std::int64_t horizon = microsOf(now) - clampKeepDays(options.keepDays) * kMicrosPerDay;
    sql::Statement prune(db, "DELETE FROM event_rows WHERE instant_us < ?1");
    prune.bind(1, horizon).step();
    const std::int64_t pruned = db.changes();
    // The reads of that time say nothing about what the ledger still holds.
    sql::Statement pruneReads(db, "DELETE FROM reads WHERE read_at_us < ?1");
    pruneReads.bind(1, horizon).step();
    // Kept in the same transaction as the rows it counts, so a count never costs a pass over
    // every event.
    sql::Statement counted(db, "INSERT INTO meta (key, value) VALUES (?1, ?2) ON CONFLICT (key) "
                               "DO UPDATE SET value = value + excluded.value");
    counted.bind(1, kEventCountKey).bind(2, added - pruned).step();
    // Where history began survives the pruning of the events that show it.
    std::optional<std::int64_t> began = oldest;
    if (read.outcome == "lines" || read.outcome == "none_found") {
        began = std::min(began.value_or(readAt), readAt);
    }
    if (began) {
        sql::Statement history(
            db, "INSERT INTO meta (key, value) VALUES (?1, ?2) ON CONFLICT (key) DO UPDATE SET "
                "value = min(value, excluded.value)");
        history.bind(1, kHistoryBeganKey).bind(2, *began).step();
    }
    sql::Statement prunedBefore(
        db, "INSERT INTO meta (key, value) VALUES (?1, ?2) ON CONFLICT (key) DO UPDATE SET "
            "value = max(value, excluded.value)");
    prunedBefore.bind(1, kPrunedBeforeKey).bind(2, horizon).step();

    result.newEvents = added;
    result.heldEvents = metaValue(db, kEventCountKey).value_or(0);
    result.sinceMicros = historySince(db);
    transaction.commit();
}

std::string problemText(const std::string& path, const sql::Error& error) {
    if (error.failure() == sql::Failure::Busy) {
        return "The scan ledger at " + path +
               " stayed busy: another Scanbrook kept it locked for " +
               std::to_string(kBusyTimeout.count() / 1000) + " seconds.";
    }
    return "The scan ledger at " + path + " could not be written: " + error.what() + ".";
}

std::string newerText(const std::string& path) {
    return "The scan ledger at " + path + " was made by a newer Scanbrook; it was left untouched.";
}

Status statusOf(const sql::Error& error, Status otherwise) {
    return error.failure() == sql::Failure::Busy ? Status::Busy : otherwise;
}

} // namespace

std::int64_t clampKeepDays(std::int64_t days) {
    return std::clamp(days, kMinKeepDays, kMaxKeepDays);
}

std::string defaultLedgerPath() {
    return platform::applicationDataPath("ledger.sqlite3");
}

std::int64_t microsOf(platform::TimePoint t) {
    return std::chrono::duration_cast<std::chrono::microseconds>(t.time_since_epoch()).count();
}

std::string sinceText(std::int64_t instantMicros) {
    return utcSecondsText(instantMicros);
}

WriteResult recordRows(const std::string& path, const std::vector<EventRow>& rows,
                       const ReadRecord& read, platform::TimePoint now,
                       const WriteOptions& options) {
    WriteResult result;
    if (const std::string folder = parentFolder(path); !folder.empty()) {
        if (const auto failure = sql::createFolders(folder)) {
            result.status = Status::NotWritten;
            result.problem = "The scan ledger at " + path +
                             " could not be written: its folder could not be created: " + *failure +
                             ".";
            return result;
        }
    }
    // A file found damaged while it is written is moved aside once, and the write tried again
    // on a new ledger.
    constexpr int kAttempts = 3;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        std::optional<sql::FileIdentity> found = sql::fileIdentity(path);
        try {
            std::unique_ptr<sql::Database> db;
            const Shape shape = openWritable(path, db, microsOf(now));
            found = sql::fileIdentity(path);
            if (shape == Shape::Newer) {
                result.status = Status::Newer;
                result.problem = newerText(path);
                return result;
            }
            if (shape == Shape::Foreign || shape == Shape::Damaged) {
                db.reset();
                result.notice = moveAside(path, found, now,
                                          shape == Shape::Foreign ? "not a Scanbrook ledger"
                                                                  : "it failed its check");
                continue;
            }
            write(*db, rows, read, now, options, result);
            return result;
        } catch (const sql::Error& error) {
            if (error.failure() == sql::Failure::NotADatabase && attempt == 0) {
                try {
                    result.notice = moveAside(path, found, now, error.what());
                    continue;
                } catch (const sql::Error& moveFailure) {
                    result.status = Status::NotWritten;
                    result.problem = problemText(path, moveFailure);
                    return result;
                }
            }
            result.status = statusOf(error, Status::NotWritten);
            result.problem = problemText(path, error);
            return result;
        }
    }
    result.status = Status::NotWritten;
    result.problem =
        "The scan ledger at " + path + " could not be written: another file kept taking its place.";
    return result;
}

LedgerState ledgerState(const std::string& path) {
    LedgerState state;
    if (!platform::fileExists(path)) {
        return state;
    }
    state.exists = true;
    try {
        sql::Database db(path, sql::OpenMode::ReadOnly, kBusyTimeout);
        switch (readableShape(db)) {
        case Shape::Empty:
            return state;
        case Shape::Newer:
            state.status = Status::Newer;
            state.problem = newerText(path);
            return state;
        case Shape::Foreign:
        case Shape::Damaged:
            state.status = Status::NotReadable;
            state.problem = "The file at " + path + " is not a readable scan ledger.";
            return state;
        case Shape::Current:
            break;
        }
        state.events = metaValue(db, kEventCountKey).value_or(0);
        state.newestMicros = db.queryInteger("SELECT max(instant_us) FROM event_rows");
        state.sinceMicros = historySince(db);
    } catch (const sql::Error& error) {
        state.status = statusOf(error, Status::NotReadable);
        state.problem = "The scan ledger at " + path + " could not be read: " + error.what() + ".";
    }
    return state;
}

PeriodResult replayPeriod(const std::string& path, std::optional<std::int64_t> days,
                          platform::TimePoint now, std::string& lines,
                          reports::ReportLineObserver* observer) {
    PeriodResult result;
    result.check = {reports::CheckOutcome::NoneFound, 0, false};
    const std::int64_t from =
        days ? microsOf(now) - std::clamp<std::int64_t>(*days, 1, kMaxHistoryDays) * kMicrosPerDay
             : std::numeric_limits<std::int64_t>::min();
    const LedgerState state = ledgerState(path);
    if (state.status != Status::Ok) {
        result.status = state.status;
        result.problem = state.problem;
        return result;
    }
    result.sinceMicros = state.sinceMicros;
    result.reachesBeforeHistory = !state.sinceMicros || from < *state.sinceMicros;
    if (!state.sinceMicros) {
        return result;
    }
    try {
        sql::Database db(path, sql::OpenMode::ReadOnly, kBusyTimeout);
        result.gaps = coverageGaps(db, std::max(from, *state.sinceMicros), microsOf(now));
        // The raw rows rather than the view "events": the timestamp is made here, faster than
        // SQL's date functions, by the inverse of the parse that stored it.
        sql::Statement select(db, "SELECT r.instant_us, r.zone_minutes, r.timestamp_text, "
                                  "s.sender_path, r.message FROM event_rows AS r LEFT JOIN senders "
                                  "AS s ON s.id = r.sender_id WHERE r.instant_us >= ?1 "
                                  "ORDER BY r.instant_us, r.event_key");
        select.bind(1, from);
        std::string timestamp;
        while (select.step()) {
            const std::optional<std::string_view> text = select.optionalText(2);
            timestamp =
                text ? std::string(*text) : logTimestampText(select.integer(0), select.integer(1));
            platform::LogEntry entry;
            entry.isObject = true;
            entry.timestamp = timestamp;
            entry.senderImagePath = select.optionalText(3);
            entry.eventMessage = select.optionalText(4);
            const bool warning = reports::appendReportLine(lines, entry);
            result.check.anyWarning = result.check.anyWarning || warning;
            ++result.check.lines;
            if (observer != nullptr) {
                observer->reportLine(entry, warning);
            }
        }
    } catch (const sql::Error& error) {
        result.status = statusOf(error, Status::NotReadable);
        result.problem = "The scan ledger at " + path + " could not be read: " + error.what() + ".";
        return result;
    }
    if (result.check.lines > 0) {
        result.check.outcome = reports::CheckOutcome::Lines;
    }
    return result;
}

LedgerPeriod readPeriod(const std::string& path, std::optional<std::int64_t> days,
                        platform::TimePoint now) {
    LedgerPeriod period;
    reports::ScanSummaryBuilder builder;
    period.read = replayPeriod(path, days, now, period.lines, &builder);
    period.summary = builder.finish(period.read.status == Status::Ok
                                        ? period.read.check
                                        : reports::CheckSummary{reports::CheckOutcome::NoArray});
    return period;
}

} // namespace scanbrook::ledger
