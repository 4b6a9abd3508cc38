// A child for the command-run tests. Its first argument says what to do:
//   args                    print argc and every argv entry, each followed by a NUL byte
//   write N                 write N bytes of patternByte(0..N-1)
//   write-signal N SIG      write N bytes, then die of signal SIG
//   exit S                  exit with status S, writing nothing
//   close-exit S            close standard output, then exit with status S
//   fds                     print every open descriptor above 2, one per line
//   signals                 print "pipe=default" or "pipe=other", then "blocked=N"
//   env NAME                print the value of NAME, or "(unset)"
#include "ProcessTestPattern.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

bool writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t count = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (count < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(count));
    }
    return true;
}

bool writePattern(unsigned long long total) {
    std::vector<char> block(1 << 16);
    unsigned long long written = 0;
    while (written < total) {
        const std::size_t size =
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

int usage() {
    std::fputs("process_test_child: unknown request\n", stderr);
    return 99;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        return usage();
    }
    const std::string_view request = argv[1];

    if (request == "args") {
        std::string text = std::to_string(argc);
        text.push_back('\0');
        for (int i = 0; i < argc; ++i) {
            text.append(argv[i]);
            text.push_back('\0');
        }
        return writeAll(text) ? 0 : 1;
    }
    if (request == "write" && argc == 3) {
        return writePattern(std::strtoull(argv[2], nullptr, 10)) ? 0 : 1;
    }
    if (request == "write-signal" && argc == 4) {
        if (!writePattern(std::strtoull(argv[2], nullptr, 10))) {
            return 1;
        }
        const int signalNumber = std::atoi(argv[3]);
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return 98; // only when the signal did not end the process
    }
    if (request == "exit" && argc == 3) {
        return std::atoi(argv[2]);
    }
    if (request == "close-exit" && argc == 3) {
        ::close(STDOUT_FILENO);
        return std::atoi(argv[2]);
    }
    if (request == "fds") {
        std::string text;
        const long limit = ::sysconf(_SC_OPEN_MAX);
        for (int fd = 3; fd < (limit > 0 && limit < 65536 ? limit : 65536); ++fd) {
            if (::fcntl(fd, F_GETFD) != -1) {
                text += std::to_string(fd) + "\n";
            }
        }
        return writeAll(text) ? 0 : 1;
    }
    if (request == "signals") {
        struct sigaction action {};
        ::sigaction(SIGPIPE, nullptr, &action);
        sigset_t blocked;
        sigemptyset(&blocked);
        ::sigprocmask(SIG_BLOCK, nullptr, &blocked);
        int blockedCount = 0;
        for (int s = 1; s < NSIG; ++s) {
            if (sigismember(&blocked, s) == 1) {
                ++blockedCount;
            }
        }
        const std::string text =
            std::string(action.sa_handler == SIG_DFL ? "pipe=default" : "pipe=other") +
            "\nblocked=" + std::to_string(blockedCount) + "\n";
        return writeAll(text) ? 0 : 1;
    }
    if (request == "env" && argc == 3) {
        const char* value = std::getenv(argv[2]);
        return writeAll(value ? value : "(unset)") ? 0 : 1;
    }
    return usage();
}
