#include "reports/EventCounter.h"

#include <cstring>

namespace scanbrook::reports {

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
            // Most of the output is string contents: jump to the next quote or backslash.
            const auto* quote = static_cast<const char*>(std::memchr(p, '"', end - p));
            const char* stop = quote != nullptr ? quote : end;
            const auto* backslash = static_cast<const char*>(std::memchr(p, '\\', stop - p));
            if (backslash != nullptr) {
                escaped_ = true;
                p = backslash + 1;
            } else if (quote != nullptr) {
                inString_ = false;
                p = quote + 1;
            } else {
                p = end;
            }
            continue;
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
