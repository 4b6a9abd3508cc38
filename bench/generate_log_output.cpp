// generate_log_output: writes what the log tool prints for the scan-history query, with a
// chosen number of entries, for the benchmarks (see README.md). The same arguments always give
// the same bytes: timestamps are written in UTC whatever the machine's zone.
//
//   generate_log_output ENTRIES FILE [SEED]
#include "LogOutput.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <string_view>

namespace {

template <typename Number> bool parseNumber(std::string_view text, Number& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return !text.empty() && error == std::errc() && end == text.data() + text.size();
}

int usage() {
    std::fputs("usage: generate_log_output ENTRIES FILE [SEED]\n", stderr);
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3 && argc != 4) {
        return usage();
    }
    std::size_t entries = 0;
    std::uint64_t seed = scanbrook::bench::kDefaultSeed;
    if (!parseNumber(argv[1], entries) || (argc == 4 && !parseNumber(argv[3], seed))) {
        return usage();
    }
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
    const std::string output = scanbrook::bench::makeLogOutput(entries, seed);
    std::FILE* file = std::fopen(argv[2], "wb");
    if (file == nullptr) {
        std::perror(argv[2]);
        return 73;
    }
    const bool written = std::fwrite(output.data(), 1, output.size(), file) == output.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[2]);
        return 74;
    }
    return 0;
}
