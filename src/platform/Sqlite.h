#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

/// SQLite 3, in three small owners over its C interface: a Database owns one connection, a
/// Statement one prepared statement, a Transaction commits or rolls back by scope. Every
/// failure is thrown as sql::Error; callers above the platform layer turn it into their own
/// result and never let it reach the user.
namespace scanbrook::platform::sql {

enum class Failure {
    Busy,         ///< another connection held the lock past the busy timeout
    Full,         ///< the disk (or the page limit) is full
    NotADatabase, ///< the file is not an SQLite database, or is damaged
    CannotOpen,   ///< the file or its folder cannot be opened or created
    ReadOnly,     ///< the file or its folder cannot be written
    Other,
};

class Error : public std::runtime_error {
public:
    Error(Failure failure, int code, const std::string& what)
        : std::runtime_error(what), failure_(failure), code_(code) {}
    Failure failure() const { return failure_; }
    /// SQLite's extended result code.
    int code() const { return code_; }

private:
    Failure failure_;
    int code_;
};

enum class OpenMode {
    ReadOnly,
    /// Creates the file when it is missing (mode 0644, readable by every account).
    Write,
};

class Database {
public:
    /// Opens the file at `path`; waits up to `busyTimeout` for another connection's lock.
    Database(const std::string& path, OpenMode mode, std::chrono::milliseconds busyTimeout);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    /// Runs one or more statements that return no rows.
    void execute(std::string_view sql);
    /// The first column of the first row of `sql`, as an integer; nullopt without a row.
    std::optional<std::int64_t> queryInteger(std::string_view sql);
    /// The first column of the first row of `sql`, as text; nullopt without a row or for NULL.
    std::optional<std::string> queryText(std::string_view sql);
    /// Rows changed by the last INSERT, UPDATE or DELETE.
    std::int64_t changes() const;

    sqlite3* handle() const { return db; }
    /// Throws the Error for SQLite's result `code`, with the connection's message.
    [[noreturn]] void fail(int code) const;

private:
    sqlite3* db = nullptr;
};

class Statement {
public:
    Statement(Database& database, std::string_view sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    /// Parameters count from 1. The text is copied.
    Statement& bind(int index, std::int64_t value);
    Statement& bind(int index, std::string_view text);
    Statement& bind(int index, std::optional<std::string_view> text);
    Statement& bind(int index, std::optional<std::int64_t> value);
    Statement& bindNull(int index);
    /// Whether the statement has a parameter numbered `index`.
    bool isParameter(int index) const;

    /// Steps once: true while there is a row to read.
    bool step();
    /// Back to the start, parameters kept, ready for new ones.
    void reset();

    bool isNull(int column) const;
    std::int64_t integer(int column) const;
    /// The text stays valid until the next step, reset or destruction.
    std::string_view text(int column) const;
    std::optional<std::string_view> optionalText(int column) const;
    std::optional<std::int64_t> optionalInteger(int column) const;

private:
    Database& database;
    sqlite3_stmt* statement = nullptr;
};

/// BEGIN IMMEDIATE at construction, so that a writer waits for the write lock at its start
/// (with the busy timeout) rather than fail half-way; rolled back at destruction unless
/// committed.
class Transaction {
public:
    explicit Transaction(Database& database);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Database& database;
    bool open = true;
};

/// What tells one file from another: its device and inode.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};
/// The identity of the file at `path`; nullopt when there is none.
std::optional<FileIdentity> fileIdentity(const std::string& path);

struct MoveAside {
    /// False when the file at `path` is no longer the one `expected` names (another process
    /// moved it and started a new one): nothing was moved.
    bool moved = false;
    /// The system's error text when the move failed.
    std::optional<std::string> failure;
};
/// Moves the database file at `path`, if it is still `expected`, and its rollback journal, if
/// any, to `newPath` (and `newPath` + "-journal").
MoveAside moveDatabaseAside(const std::string& path, const std::string& newPath,
                            const FileIdentity& expected);

/// Creates the folder at `path` and the missing folders above it, each with mode 0755.
/// Returns the system's error text on failure.
std::optional<std::string> createFolders(const std::string& path);

} // namespace scanbrook::platform::sql
