#include "reports/EventCounter.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace scanbrook::reports {

namespace {

/// Bytes that matter inside a string, and between the members of an element (where commas and
/// colons do not): everything else is skipped a byte at a time without a branch on its value.
struct Stops {
    std::array<bool, 256> inString{};
    std::array<bool, 256> nested{};
    constexpr Stops() {
        inString[static_cast<unsigned char>('"')] = true;
        inString[static_cast<unsigned char>('\\')] = true;
        for (const char c : {'"', '{', '}', '[', ']'}) {
            nested[static_cast<unsigned char>(c)] = true;
        }
    }
};
constexpr Stops kStops;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;

constexpr std::uint64_t everyByte(char c) {
    return kOnes * static_cast<unsigned char>(c);
}

/// Whether some byte of `word` equals the byte repeated in `pattern`.
constexpr bool holdsByte(std::uint64_t word, std::uint64_t pattern) {
    const std::uint64_t x = word ^ pattern;
    return ((x - kOnes) & ~x & everyByte('\x80')) != 0;
}

/// Whether eight bytes may hold a stop: a quick test that lets most words of a long string or
/// a run of white space pass whole. It may say yes for a word without one; never the reverse.
bool mayHoldStop(std::uint64_t word, const std::array<bool, 256>& stops) {
    if (holdsByte(word, everyByte('"'))) {
        return true;
    }
    if (&stops == &kStops.inString) {
        return holdsByte(word, everyByte('\\'));
    }
    // Setting bit 5 turns '[' into '{' and ']' into '}', and no other byte into either.
    const std::uint64_t folded = word | everyByte('\x20');
    return holdsByte(folded, everyByte('{')) || holdsByte(folded, everyByte('}'));
}

const char* skipTo(const char* p, const char* end, const std::array<bool, 256>& stops) {
    std::uint64_t word;
    while (end - p >= 8 && (std::memcpy(&word, p, 8), !mayHoldStop(word, stops))) {
        p += 8;
    }
    while (p != end && !stops[static_cast<unsigned char>(*p)]) {
        ++p;
    }
    return p;
}

} // namespace

void EventCounter::feed(std::string_view bytes) {
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p != end && phase_ != Phase::AfterArray) {
        if (inString_) {
            if (escaped_) {
                escaped_ = false;
                ++p;
                continue;
            }
            p = skipTo(p, end, kStops.inString);
            if (p != end) {
                if (*p++ == '\\') {
                    escaped_ = true;
                } else {
                    inString_ = false;
                }
            }
            continue;
        }
        if (depth_ != 0) {
            p = skipTo(p, end, kStops.nested);
            if (p == end) {
                break;
            }
        }
        const char c = *p++;
        if (phase_ == Phase::BeforeArray) {
            if (c == '[') {
                phase_ = Phase::InArray;
            } else if (c != ' ' && c != '\t' && c != '\n' && c != '\r') {
                phase_ = Phase::AfterArray; // not an array: nothing to count
            }
            continue;
        }
        switch (c) {
        case '"':
            inString_ = true;
            if (depth_ == 0) {
                scalarOpen_ = true;
            }
            break;
        case '{':
        case '[':
            ++depth_;
            break;
        case '}':
        case ']':
            if (depth_ == 0) {
                // The top-level array's own closing bracket.
                count_ += scalarOpen_ ? 1 : 0;
                scalarOpen_ = false;
                phase_ = Phase::AfterArray;
            } else if (--depth_ == 0) {
                ++count_;
            }
            break;
        case ',':
            if (depth_ == 0 && scalarOpen_) {
                ++count_;
                scalarOpen_ = false;
            }
            break;
        case ' ':
        case '\t':
        case '\n':
        case '\r':
            break;
        default:
            if (depth_ == 0) {
                scalarOpen_ = true;
            }
            break;
        }
    }
}

} // namespace scanbrook::reports
