#pragma once

#include <cstdint>

namespace scanbrook::test {

/// The byte at `index` of the test child's output. Its period (251) is prime, and a second
/// term changes every 64 KiB, so a piece read twice, dropped or reordered shows up.
inline std::uint8_t patternByte(unsigned long long index) {
    return static_cast<std::uint8_t>(index % 251 + (index >> 16) * 7);
}

} // namespace scanbrook::test
