#pragma once

#include "platform/Sqlite.h"

#include <memory>
#include <string>
#include <string_view>

/// The ledger's file format: what a file in the ledger's place turns out to be, and the
/// schema, created and brought up one version at a time (docs/ledger.md).
namespace scanbrook::ledger {

/// "SCBK": PRAGMA application_id of every ledger, which tells it from another SQLite file.
inline constexpr std::int64_t kApplicationId = 0x5343424B;
/// The meta table's key of the instant before which pruning has let events go.
inline constexpr std::string_view kPrunedBeforeKey = "pruned_before_us";
/// The meta table's key of the number of events held.
inline constexpr std::string_view kEventCountKey = "event_count";
/// The meta table's key of the last passed integrity check.
inline constexpr std::string_view kVerifiedKey = "verified_us";
/// The meta table's key of the earliest instant the ledger has covered: its oldest event or
/// its first successful read, whichever came first.
inline constexpr std::string_view kHistoryBeganKey = "history_began_us";

enum class Shape {
    Empty,   ///< no tables at all: a new file
    Current, ///< a ledger of this version (after any migration)
    Newer,   ///< a ledger of a newer schema: never touched
    Foreign, ///< an SQLite database that is not a ledger
    Damaged, ///< a ledger that fails PRAGMA quick_check
};

/// What the file open in `db` is, for reading: never changes the file.
Shape readableShape(platform::sql::Database& db);

/// Opens the ledger at `path` for writing into `db`, in the rollback journal: an empty file
/// gets the schema, an older ledger is migrated. Returns Current on success; Newer, Foreign
/// or Damaged leave the file as it was. Throws platform::sql::Error.
/// The integrity check runs when the last one is a day older than `nowMicros`.
Shape openWritable(const std::string& path, std::unique_ptr<platform::sql::Database>& db,
                   std::int64_t nowMicros);

} // namespace scanbrook::ledger
