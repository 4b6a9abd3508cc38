#include "platform/NumberFormatter.h"

#include <limits>

namespace scanbrook::platform {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSpace(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::optional<std::int64_t> DecimalNumberFormatter::integerFromString(std::string_view text) const {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }

    // Accumulate toward the sign so that the most negative value fits, and hold the bound once
    // the digits go past it rather than overflowing.
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t value = 0;
    std::size_t integerDigits = 0;
    std::size_t i = 0;
    for (; i < text.size() && isDigit(text[i]); ++i, ++integerDigits) {
        const int digit = text[i] - '0';
        if (negative) {
            value = (value < (kMin + digit) / 10) ? kMin : value * 10 - digit;
        } else {
            value = (value > (kMax - digit) / 10) ? kMax : value * 10 + digit;
        }
    }
    std::size_t fractionDigits = 0;
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && isDigit(text[i]); ++i) {
            ++fractionDigits;
        }
    }
    if (i != text.size() || integerDigits + fractionDigits == 0) {
        return std::nullopt;
    }
    return value;
}

} // namespace scanbrook::platform
