#pragma once

#include "platform/Process.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace scanbrook::fuzz {

/// Stops the run with a message when an invariant fails; libFuzzer keeps the input that did it.
/// Always on, whatever NDEBUG says.
[[noreturn]] inline void invariantFailed(const char* what, const char* file, int line) {
    std::fputs("invariant failed: ", stderr);
    std::fputs(what, stderr);
    std::fputs(" at ", stderr);
    std::fputs(file, stderr);
    std::fputs(":", stderr);
    std::fputs(std::to_string(line).c_str(), stderr);
    std::fputs("\n", stderr);
    std::abort();
}

/// The fuzz input as the command run hands output over: in a string whose capacity leaves the
/// JSON parser's read-ahead padding beyond its size.
inline std::string paddedOutput(const std::uint8_t* data, std::size_t size) {
    std::string output;
    output.reserve(size + platform::kOutputPadding);
    output.assign(reinterpret_cast<const char*>(data), size);
    return output;
}

inline std::string_view bytesOf(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

} // namespace scanbrook::fuzz

#define FUZZ_REQUIRE(condition)                                                                    \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            ::scanbrook::fuzz::invariantFailed(#condition, __FILE__, __LINE__);                    \
        }                                                                                          \
    } while (false)
