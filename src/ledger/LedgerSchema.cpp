#include "ledger/LedgerSchema.h"

#include "ledger/Ledger.h"

#include <array>

namespace scanbrook::ledger {

namespace sql = platform::sql;

namespace {

/// Version 0 to 1: the first schema. docs/ledger.md describes every column.
constexpr std::string_view kSchemaVersion1 = R"sql(
CREATE TABLE events (
    id INTEGER PRIMARY KEY,
    instant_us INTEGER NOT NULL,
    event_key INTEGER NOT NULL,
    timestamp TEXT NOT NULL,
    time_utc TEXT NOT NULL,
    sender_path TEXT,
    scanner TEXT NOT NULL,
    message TEXT,
    outcome TEXT NOT NULL CHECK (outcome IN ('clean', 'warning', 'none')),
    status_code INTEGER,
    status_message TEXT
);
CREATE UNIQUE INDEX events_by_instant ON events (instant_us, event_key);
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
    newest_utc TEXT
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

Shape openWritable(const std::string& path, std::unique_ptr<sql::Database>& db) {
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
    if (shape == Shape::Current && !passesQuickCheck(*db)) {
        return Shape::Damaged;
    }
    // A rollback journal, never WAL: a read-only reader of a WAL database needs write access to
    // its shared-memory file, and a fleet's collectors open the ledger read-only.
    db->queryText("PRAGMA journal_mode = DELETE");
    migrate(*db);
    return outline(*db) == Shape::Current && userVersion(*db) == kSchemaVersion ? Shape::Current
                                                                                : Shape::Foreign;
}

} // namespace scanbrook::ledger
