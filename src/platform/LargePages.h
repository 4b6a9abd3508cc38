#pragma once

#include <cstddef>

namespace scanbrook::platform {

/// Asks the system to back the memory from `data` to `data + bytes` with large pages where it
/// can (Linux's transparent huge pages; whole 2 MiB pages inside the range only). For buffers
/// of megabytes that are written from start to end: each of their pages is otherwise faulted
/// in on its own, and for a month of log output that costs more than parsing it. Advice only:
/// where the system does not take it nothing changes, and the memory reads the same either way.
void adviseLargePages(void* data, std::size_t bytes) noexcept;

/// Buffers smaller than this gain nothing from the advice.
inline constexpr std::size_t kLargePageWorthwhile = 4 * 1024 * 1024;

} // namespace scanbrook::platform
