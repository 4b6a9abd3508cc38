#include "reports/EventCounter.h"

#include <array>

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

const char* skipTo(const char* p, const char* end, const std::array<bool, 256>& stops) {
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
