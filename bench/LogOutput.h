#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

/// Synthetic log tool output for the benchmarks: what the unified log tool prints for the
/// scan-history query, in its JSON style, for a chosen number of entries. Deterministic: the
/// same count and seed always give the same bytes.
namespace scanbrook::bench {

inline constexpr std::uint64_t kDefaultSeed = 0x5ca4b400;

/// A month of scanner events (about 15,000 entries) as the log tool prints them: one JSON
/// array of pretty-printed objects with the tool's 22 members, "/" written as "\/",
/// 31-character timestamps in the process's time zone (TZ honoured), spread evenly over the
/// 30 days before a fixed date. Most messages carry a clean-scan marker; about one in a hundred
/// carries none; about one in fifty holds non-ASCII text.
std::string makeLogOutput(std::size_t entries, std::uint64_t seed = kDefaultSeed);

} // namespace scanbrook::bench
