// A child for the command-run tests. Its first argument says what to do:
//   args                print argc and every argv entry, each followed by a NUL byte
//   write N             write N bytes of patternByte(0..N-1)
//   fds                 print every open descriptor above 2, one per line
//   stdio               print what descriptors 0 and 2 are: "null" (/dev/null), "closed" or "open"
#include "ProcessTestPattern.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

bool writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (count < 0 && errno != EINTR) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
    }
    return true;
}

bool writePattern(unsigned long long total) {
    std::vector<char> block(1 << 16);
    for (unsigned long long written = 0; written < total;) {
        const auto size =
            static_cast<std::size_t>(std::min<unsigned long long>(block.size(), total - written));
        for (std::size_t i = 0; i < size; ++i) {
            block[i] = static_cast<char>(scanbrook::test::patternByte(written + i));
        }
        if (!writeAll(std::string_view(block.data(), size))) {
            return false;
        }
        written += size;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string_view request = argc > 1 ? argv[1] : "";
    std::string text;
    if (request == "args") {
        text = std::to_string(argc) + '\0';
        for (int i = 0; i < argc; ++i) {
            (text += argv[i]) += '\0';
        }
    } else if (request == "write" && argc == 3) {
        if (!writePattern(std::strtoull(argv[2], nullptr, 10))) {
            return 1;
        }
    } else if (request == "fds") {
        for (int fd = 3; fd < 65536; ++fd) {
            if (::fcntl(fd, F_GETFD) != -1) {
                text += std::to_string(fd) + "\n";
            }
        }
    } else if (request == "stdio") {
        struct stat null = {}, status = {};
        ::stat("/dev/null", &null);
        for (const int fd : {0, 2}) {
            const bool open = ::fstat(fd, &status) == 0;
            text += !open ? "closed\n" : status.st_rdev == null.st_rdev ? "null\n" : "open\n";
        }
    } else {
        return 99;
    }
    return writeAll(text) ? 0 : 1;
}
