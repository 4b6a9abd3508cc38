#pragma once

// The launch benchmark's time marks: a helper program writes the moment it cares about, in
// nanoseconds of the monotonic clock, to the file that SCANBROOK_BENCH_MARKER names.

#include <cstdio>
#include <cstdlib>
#include <ctime>

inline void writeBenchMarkerNow() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    if (const char* marker = std::getenv("SCANBROOK_BENCH_MARKER")) {
        if (std::FILE* file = std::fopen(marker, "w")) {
            std::fprintf(file, "%lld\n",
                         static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
            std::fclose(file);
        }
    }
}
