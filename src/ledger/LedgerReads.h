#pragma once

#include <cstdint>
#include <optional>
#include <string>

/// What the ledger's reads table says about its feeding, for those who watch it: the window's
/// History, and the background agent's status.
namespace scanbrook::ledger {

struct ReadsMark {
    /// Rows in the reads table: grows with every check and every record.
    std::int64_t reads = 0;
    /// The newest read that got the log's events (microseconds since 1970).
    std::optional<std::int64_t> lastRecordedMicros;

    bool operator==(const ReadsMark&) const = default;
};

/// The ledger's reads so far; a missing ledger has none. nullopt when it cannot be read (a
/// writer's lock past the busy timeout, or a damaged file). Only reads: for any thread.
std::optional<ReadsMark> readsMark(const std::string& path);

} // namespace scanbrook::ledger
