#pragma once

#include <cstdint>
#include <string>
#include <sys/stat.h>

namespace scanbrook::test {

/// The byte at `index` of the test child's output. Its period (251) is prime, and a second
/// term changes every 64 KiB, so a piece read twice, dropped or reordered shows up.
inline std::uint8_t patternByte(unsigned long long index) {
    return static_cast<std::uint8_t>(index % 251 + (index >> 16) * 7);
}

/// Which file descriptor `fd` is open on, as "device:inode", or "closed".
inline std::string fileIdentity(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        return "closed";
    }
    return std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

} // namespace scanbrook::test
