// launch_probe: stands in for the simulated Mac's log tool in the launch benchmark's private
// copy of the simulated root. It runs the real tool (SCANBROOK_BENCH_REAL_TOOL) with the same
// arguments and standard output, and once the request of the last launch check
// ("show --style json --last 2") has been answered, writes the moment (CLOCK_MONOTONIC
// nanoseconds) to SCANBROOK_BENCH_MARKER. Scanbrook itself is not changed to be measured.
#include "Marker.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

extern char** environ;

int main(int argc, char** argv) {
    const char* real = std::getenv("SCANBROOK_BENCH_REAL_TOOL");
    if (real == nullptr || argc < 1) {
        std::fputs("launch_probe: SCANBROOK_BENCH_REAL_TOOL is not set\n", stderr);
        return 70;
    }
    argv[0] = const_cast<char*>(real);
    const bool lastCheck = argc == 6 && std::strcmp(argv[1], "show") == 0 &&
                           std::strcmp(argv[2], "--style") == 0 &&
                           std::strcmp(argv[3], "json") == 0 &&
                           std::strcmp(argv[4], "--last") == 0 && std::strcmp(argv[5], "2") == 0;
    if (!lastCheck) {
        // Nothing to note: become the real tool, without a process of our own in between.
        ::execv(real, argv);
        std::fprintf(stderr, "launch_probe: cannot run %s: %s\n", real, std::strerror(errno));
        return 70;
    }
    pid_t child = 0;
    if (const int error = ::posix_spawn(&child, real, nullptr, nullptr, argv, environ);
        error != 0) {
        std::fprintf(stderr, "launch_probe: cannot run %s: %s\n", real, std::strerror(error));
        return 70;
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    writeBenchMarkerNow();
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
