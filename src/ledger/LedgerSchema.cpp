#include "ledger/LedgerSchema.h"

#include "ledger/Ledger.h"

#include <array>

namespace scanbrook::ledger {

namespace sql = platform::sql;

namespace {

/// Version 0 to 1: the first schema. docs/ledger.md describes every column. The events are
/// kept compact (a sender path and a status text once each, the timestamp as the instant and
/// its zone) and read through the view "events", whose columns are what readers rely on.
constexpr std::string_view kSchemaVersion1 = R"sql(
CREATE TABLE senders (
    id INTEGER PRIMARY KEY,
    sender_path TEXT NOT NULL UNIQUE,
    scanner TEXT NOT NULL
);
CREATE TABLE status_messages (
    id INTEGER PRIMARY KEY,
    text TEXT NOT NULL UNIQUE
);
CREATE TABLE event_rows (
    instant_us INTEGER NOT NULL,
    event_key INTEGER NOT NULL,
    zone_minutes INTEGER NOT NULL,
    timestamp_text TEXT,
    sender_id INTEGER REFERENCES senders (id),
    message TEXT,
    outcome INTEGER NOT NULL CHECK (outcome IN (0, 1, 2)),
    status_code INTEGER,
    status_id INTEGER REFERENCES status_messages (id),
    PRIMARY KEY (instant_us, event_key)
) WITHOUT ROWID;
CREATE VIEW events AS
SELECT
    r.instant_us AS instant_us,
    coalesce(r.timestamp_text,
             strftime('%Y-%m-%d %H:%M:%S', r.instant_us / 1000000 + r.zone_minutes * 60,
                      'unixepoch') ||
             format('.%06d%s%02d%02d', r.instant_us % 1000000,
                    CASE WHEN r.zone_minutes < 0 THEN '-' ELSE '+' END,
                    abs(r.zone_minutes) / 60, abs(r.zone_minutes) % 60)) AS timestamp,
    strftime('%Y-%m-%dT%H:%M:%S', r.instant_us / 1000000, 'unixepoch') ||
        format('.%06dZ', r.instant_us % 1000000) AS time_utc,
    s.sender_path AS sender_path,
    coalesce(s.scanner, '') AS scanner,
    r.message AS message,
    CASE r.outcome WHEN 1 THEN 'clean' WHEN 2 THEN 'warning' ELSE 'none' END AS outcome,
    r.status_code AS status_code,
    m.text AS status_message
FROM event_rows AS r
LEFT JOIN senders AS s ON s.id = r.sender_id
LEFT JOIN status_messages AS m ON m.id = r.status_id;
CREATE TABLE reads (
    id INTEGER PRIMARY KEY,
    read_at_utc TEXT NOT NULL,
    read_at_us INTEGER NOT NULL,
    span TEXT NOT NULL,
    tool_status INTEGER NOT NULL,
    outcome TEXT NOT NULL,
    events_seen INTEGER NOT NULL,
    events_new INTEGER NOT NULL,
    oldest_utc TEXT,
    newest_utc TEXT,
    covers_from_us INTEGER
);
CREATE TABLE meta (
    key TEXT PRIMARY KEY,
    value INTEGER
);
)sql";

/// Step N brings a ledger of version N to version N + 1. A new version appends a step and
/// never changes an old one, so a ledger of any version climbs to the current one.
constexpr std::array<std::string_view, kSchemaVersion> kMigrations = {kSchemaVersion1};

std::int64_t userVersion(sql::Database& db) {
    return db.queryInteger("PRAGMA user_version").value_or(0);
}

bool hasTables(sql::Database& db) {
    return db.queryInteger("SELECT count(*) FROM sqlite_master").value_or(0) > 0;
}

/// What the file is, without its integrity check.
Shape outline(sql::Database& db) {
    if (!hasTables(db)) {
        return Shape::Empty;
    }
    if (db.queryInteger("PRAGMA application_id").value_or(0) != kApplicationId) {
        return Shape::Foreign;
    }
    if (userVersion(db) > kSchemaVersion) {
        return Shape::Newer;
    }
    return Shape::Current;
}

bool passesQuickCheck(sql::Database& db) {
    try {
        return db.queryText("PRAGMA quick_check") == "ok";
    } catch (const sql::Error& error) {
        if (error.failure() == sql::Failure::NotADatabase) {
            return false;
        }
        throw;
    }
}

bool verificationDue(sql::Database& db, std::int64_t nowMicros) {
    constexpr std::int64_t kMicrosPerDay = 86'400'000'000LL;
    if (userVersion(db) < 1) {
        return true;
    }
    sql::Statement last(db, "SELECT value FROM meta WHERE key = ?1");
    last.bind(1, kVerifiedKey);
    const std::optional<std::int64_t> at = last.step() ? last.optionalInteger(0) : std::nullopt;
    // A clock set back counts as due.
    return !at || nowMicros - *at >= kMicrosPerDay || *at > nowMicros;
}

void migrate(sql::Database& db) {
    while (userVersion(db) < kSchemaVersion) {
        sql::Transaction transaction(db);
        // Read again under the write lock: another writer may have taken the step meanwhile.
        const std::int64_t version = userVersion(db);
        if (version >= kSchemaVersion) {
            break;
        }
        if (version == 0 && hasTables(db)) {
            // Tables appeared since the file was looked at: not for this step to decide.
            break;
        }
        db.execute(kMigrations.at(static_cast<std::size_t>(version)));
        db.execute("PRAGMA application_id = " + std::to_string(kApplicationId));
        db.execute("PRAGMA user_version = " + std::to_string(version + 1));
        transaction.commit();
    }
}

} // namespace

Shape readableShape(sql::Database& db) {
    Shape shape = Shape::Damaged;
    try {
        shape = outline(db);
    } catch (const sql::Error& error) {
        if (error.failure() != sql::Failure::NotADatabase) {
            throw;
        }
        return Shape::Damaged;
    }
    if (shape == Shape::Current && userVersion(db) < kSchemaVersion) {
        // An older ledger that no writer has migrated yet: its tables are not those read.
        return Shape::Foreign;
    }
    return shape;
}

Shape openWritable(const std::string& path, std::unique_ptr<sql::Database>& db,
                   std::int64_t nowMicros) {
    db = std::make_unique<sql::Database>(path, sql::OpenMode::Write, kBusyTimeout);
    Shape shape = Shape::Damaged;
    try {
        shape = outline(*db);
    } catch (const sql::Error& error) {
        if (error.failure() != sql::Failure::NotADatabase) {
            throw;
        }
        return Shape::Damaged;
    }
    if (shape == Shape::Newer || shape == Shape::Foreign) {
        return shape;
    }
    // The integrity check reads the whole file, so it runs once a day; damage it has not seen
    // yet makes a write fail as NotADatabase, and the file is moved aside then.
    // A new file is sound by construction.
    bool verified = shape == Shape::Empty;
    if (shape == Shape::Current && verificationDue(*db, nowMicros)) {
        if (!passesQuickCheck(*db)) {
            return Shape::Damaged;
        }
        verified = true;
    }
    // A rollback journal, never WAL: a read-only reader of a WAL database needs write access to
    // its shared-memory file, and a fleet's collectors open the ledger read-only.
    db->queryText("PRAGMA journal_mode = DELETE");
    migrate(*db);
    if (verified) {
        sql::Statement note(*db, "INSERT INTO meta (key, value) VALUES (?1, ?2) ON CONFLICT "
                                 "(key) DO UPDATE SET value = excluded.value");
        note.bind(1, kVerifiedKey).bind(2, nowMicros).step();
    }
    return outline(*db) == Shape::Current && userVersion(*db) == kSchemaVersion ? Shape::Current
                                                                                : Shape::Foreign;
}

} // namespace scanbrook::ledger
