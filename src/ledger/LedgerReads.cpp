#include "ledger/LedgerReads.h"

#include "ledger/Ledger.h"
#include "platform/Paths.h"
#include "platform/Sqlite.h"

namespace scanbrook::ledger {

std::optional<ReadsMark> readsMark(const std::string& path) {
    namespace sql = platform::sql;
    if (!platform::fileExists(path)) {
        return ReadsMark{};
    }
    try {
        sql::Database db(path, sql::OpenMode::ReadOnly, kBusyTimeout);
        sql::Statement select(db, "SELECT count(*), max(CASE WHEN outcome IN ('lines', "
                                  "'none_found') THEN read_at_us END) FROM reads");
        if (!select.step()) {
            return ReadsMark{};
        }
        return ReadsMark{select.integer(0), select.optionalInteger(1)};
    } catch (const sql::Error&) {
        return std::nullopt;
    }
}

} // namespace scanbrook::ledger
