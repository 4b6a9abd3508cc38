#include "platform/Sqlite.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace scanbrook::platform::sql {

namespace {

Failure failureOf(int code) {
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return Failure::Busy;
    case SQLITE_FULL:
        return Failure::Full;
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return Failure::NotADatabase;
    case SQLITE_CANTOPEN:
        return Failure::CannotOpen;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return Failure::ReadOnly;
    default:
        return Failure::Other;
    }
}

[[noreturn]] void throwFor(int code, const std::string& message) {
    throw Error(failureOf(code), code, message);
}

constexpr mode_t kFileMode = 0644;
constexpr mode_t kFolderMode = 0755;

} // namespace

Database::Database(const std::string& path, OpenMode mode, std::chrono::milliseconds busyTimeout) {
    struct stat before {};
    const bool existed = ::stat(path.c_str(), &before) == 0;
    const int flags = (mode == OpenMode::ReadOnly ? SQLITE_OPEN_READONLY
                                                  : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                      SQLITE_OPEN_NOMUTEX;
    const int opened = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
    if (opened != SQLITE_OK) {
        const std::string message = db != nullptr ? sqlite3_errmsg(db) : sqlite3_errstr(opened);
        sqlite3_close_v2(db);
        db = nullptr;
        throwFor(opened, message);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, static_cast<int>(busyTimeout.count()));
    if (!existed && mode == OpenMode::Write) {
        // Readable by every account whatever the umask: the window and a fleet's collectors
        // read the ledger that a background record writes.
        ::chmod(path.c_str(), kFileMode);
    }
}

Database::~Database() {
    sqlite3_close_v2(db);
}

void Database::fail(int code) const {
    throwFor(code, sqlite3_errmsg(db));
}

void Database::execute(std::string_view sql) {
    const std::string text(sql);
    char* message = nullptr;
    const int result = sqlite3_exec(db, text.c_str(), nullptr, nullptr, &message);
    if (result != SQLITE_OK) {
        const std::string what = message != nullptr ? message : sqlite3_errstr(result);
        sqlite3_free(message);
        throwFor(sqlite3_extended_errcode(db), what);
    }
}

std::optional<std::int64_t> Database::queryInteger(std::string_view sql) {
    Statement statement(*this, sql);
    if (!statement.step()) {
        return std::nullopt;
    }
    return statement.optionalInteger(0);
}

std::optional<std::string> Database::queryText(std::string_view sql) {
    Statement statement(*this, sql);
    if (!statement.step()) {
        return std::nullopt;
    }
    const auto text = statement.optionalText(0);
    return text ? std::optional<std::string>(*text) : std::nullopt;
}

std::int64_t Database::changes() const {
    return sqlite3_changes64(db);
}

Statement::Statement(Database& owner, std::string_view sql) : database(owner) {
    const int result = sqlite3_prepare_v2(database.handle(), sql.data(),
                                          static_cast<int>(sql.size()), &statement, nullptr);
    if (result != SQLITE_OK) {
        database.fail(result);
    }
}

Statement::~Statement() {
    sqlite3_finalize(statement);
}

Statement& Statement::bind(int index, std::int64_t value) {
    const int result = sqlite3_bind_int64(statement, index, value);
    if (result != SQLITE_OK) {
        database.fail(result);
    }
    return *this;
}

Statement& Statement::bind(int index, std::string_view text) {
    // A view may point at an empty string with no storage behind it; SQLite reads a null
    // pointer as NULL, so an empty text gets a pointer of its own.
    const int result = sqlite3_bind_text64(statement, index, text.empty() ? "" : text.data(),
                                           text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    if (result != SQLITE_OK) {
        database.fail(result);
    }
    return *this;
}

Statement& Statement::bind(int index, std::optional<std::string_view> text) {
    return text ? bind(index, *text) : bindNull(index);
}

Statement& Statement::bind(int index, std::optional<std::int64_t> value) {
    return value ? bind(index, *value) : bindNull(index);
}

Statement& Statement::bindNull(int index) {
    const int result = sqlite3_bind_null(statement, index);
    if (result != SQLITE_OK) {
        database.fail(result);
    }
    return *this;
}

bool Statement::isParameter(int index) const {
    return index >= 1 && index <= sqlite3_bind_parameter_count(statement);
}

bool Statement::step() {
    const int result = sqlite3_step(statement);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    const int code = sqlite3_extended_errcode(database.handle());
    sqlite3_reset(statement);
    database.fail(code);
}

void Statement::reset() {
    sqlite3_reset(statement);
}

bool Statement::isNull(int column) const {
    return sqlite3_column_type(statement, column) == SQLITE_NULL;
}

std::int64_t Statement::integer(int column) const {
    return sqlite3_column_int64(statement, column);
}

std::string_view Statement::text(int column) const {
    const auto* bytes = sqlite3_column_text(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    if (bytes == nullptr) {
        return {};
    }
    return {reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(size)};
}

std::optional<std::string_view> Statement::optionalText(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return text(column);
}

std::optional<std::int64_t> Statement::optionalInteger(int column) const {
    if (isNull(column)) {
        return std::nullopt;
    }
    return integer(column);
}

Transaction::Transaction(Database& owner) : database(owner) {
    database.execute("BEGIN IMMEDIATE");
}

Transaction::~Transaction() {
    if (open) {
        // A failed statement may already have ended the transaction; the rollback then has
        // nothing to do and its error means nothing.
        sqlite3_exec(database.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
}

void Transaction::commit() {
    database.execute("COMMIT");
    open = false;
}

std::optional<FileIdentity> fileIdentity(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        return std::nullopt;
    }
    return FileIdentity{static_cast<std::uint64_t>(info.st_dev),
                        static_cast<std::uint64_t>(info.st_ino)};
}

MoveAside moveDatabaseAside(const std::string& path, const std::string& newPath,
                            const FileIdentity& expected) {
    if (fileIdentity(path) != expected) {
        return {false, std::nullopt};
    }
    if (std::rename(path.c_str(), newPath.c_str()) != 0) {
        return {false, std::strerror(errno)};
    }
    // A hot journal belongs to its database: it goes along, so that it is never played back
    // into the new ledger that takes the old one's place.
    const std::string journal = path + "-journal";
    struct stat info {};
    if (::stat(journal.c_str(), &info) == 0 &&
        std::rename(journal.c_str(), (newPath + "-journal").c_str()) != 0) {
        return {true, std::strerror(errno)};
    }
    return {true, std::nullopt};
}

std::optional<std::string> createFolders(const std::string& path) {
    for (std::size_t at = 1; at <= path.size(); ++at) {
        if (at != path.size() && path[at] != '/') {
            continue;
        }
        const std::string folder = path.substr(0, at);
        struct stat info {};
        if (::stat(folder.c_str(), &info) == 0) {
            continue;
        }
        if (::mkdir(folder.c_str(), kFolderMode) != 0 && errno != EEXIST) {
            return std::strerror(errno);
        }
        // Not narrowed by the umask: the folder of a shared ledger must be listable by all.
        ::chmod(folder.c_str(), kFolderMode);
    }
    return std::nullopt;
}

} // namespace scanbrook::platform::sql
