#include "platform/LargePages.h"

#include <cstdint>

#if defined(__linux__) && !defined(SCANBROOK_PORTABLE_POSIX)
#include <sys/mman.h>
#endif

namespace scanbrook::platform {

void adviseLargePages(void* data, std::size_t bytes) noexcept {
#if defined(__linux__) && !defined(SCANBROOK_PORTABLE_POSIX)
    constexpr std::uintptr_t kLargePage = 2 * 1024 * 1024;
    const auto start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + kLargePage - 1) & ~(kLargePage - 1);
    const std::uintptr_t end = (start + bytes) & ~(kLargePage - 1);
    if (bytes >= kLargePage && end > first) {
        // Advice: a system without transparent huge pages refuses it, and nothing else
        // depends on it.
        static_cast<void>(::madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE));
    }
#else
    // MADV_HUGEPAGE is Linux's: the Mac has no such advice for memory from the allocator, and
    // its 16 KiB pages fault a quarter as often anyway.
    static_cast<void>(data);
    static_cast<void>(bytes);
#endif
}

} // namespace scanbrook::platform
