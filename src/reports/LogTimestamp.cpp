#include "reports/LogTimestamp.h"

#include <chrono>
#include <cstdio>

namespace scanbrook::reports {

namespace {

using namespace std::chrono;

/// Reads exactly `count` decimal digits at `at`, moving past them.
std::optional<int> digits(std::string_view text, std::size_t& at, std::size_t count) {
    if (at + count > text.size()) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    at += count;
    return value;
}

bool literal(std::string_view text, std::size_t& at, char expected) {
    if (at >= text.size() || text[at] != expected) {
        return false;
    }
    ++at;
    return true;
}

/// "+hhmm", "+hh:mm", "-…" or "Z" to its end: the zone's offset east of UTC.
std::optional<minutes> zoneOffset(std::string_view text, std::size_t at) {
    if (text.substr(at) == "Z") {
        return minutes(0);
    }
    if (at >= text.size() || (text[at] != '+' && text[at] != '-')) {
        return std::nullopt;
    }
    const int sign = text[at++] == '-' ? -1 : 1;
    const auto hours = digits(text, at, 2);
    if (at < text.size() && text[at] == ':') {
        ++at;
    }
    const auto mins = digits(text, at, 2);
    if (!hours || !mins || at != text.size() || *hours > 23 || *mins > 59) {
        return std::nullopt;
    }
    return minutes(sign * (*hours * 60 + *mins));
}

} // namespace

std::optional<platform::TimePoint> parseLogTimestamp(std::string_view text) {
    std::size_t at = 0;
    const auto y = digits(text, at, 4);
    const bool dash1 = literal(text, at, '-');
    const auto mo = digits(text, at, 2);
    const bool dash2 = literal(text, at, '-');
    const auto d = digits(text, at, 2);
    const bool space = literal(text, at, ' ');
    const auto h = digits(text, at, 2);
    const bool colon1 = literal(text, at, ':');
    const auto mi = digits(text, at, 2);
    const bool colon2 = literal(text, at, ':');
    const auto s = digits(text, at, 2);
    if (!y || !mo || !d || !h || !mi || !s || !dash1 || !dash2 || !space || !colon1 || !colon2 ||
        *h > 23 || *mi > 59 || *s > 59) {
        return std::nullopt;
    }
    const year_month_day date{year(*y), month(static_cast<unsigned>(*mo)),
                              day(static_cast<unsigned>(*d))};
    if (!date.ok()) {
        return std::nullopt;
    }
    std::int64_t micros = 0;
    if (at < text.size() && text[at] == '.') {
        ++at;
        std::size_t fractionDigits = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
            if (fractionDigits < 6) {
                micros = micros * 10 + (text[at] - '0');
            }
            ++fractionDigits;
            ++at;
        }
        if (fractionDigits > 9) {
            return std::nullopt;
        }
        for (std::size_t i = fractionDigits; i < 6; ++i) {
            micros *= 10;
        }
    }
    const auto offset = zoneOffset(text, at);
    if (!offset) {
        return std::nullopt;
    }
    const auto local =
        sys_days(date) + hours(*h) + minutes(*mi) + seconds(*s) + microseconds(micros);
    const auto instant = local - *offset;
    // A four-digit year reaches past what the clock can hold where it counts nanoseconds
    // (about 1678 to 2262): such a time is no instant here, rather than an overflow.
    constexpr auto kEarliest = time_point_cast<microseconds>(platform::TimePoint::min());
    constexpr auto kLatest = time_point_cast<microseconds>(platform::TimePoint::max());
    if (instant < kEarliest || instant > kLatest) {
        return std::nullopt;
    }
    return time_point_cast<platform::TimePoint::duration>(instant);
}

std::string utcText(platform::TimePoint t) {
    const auto micros = time_point_cast<microseconds>(t);
    const auto dayStart = floor<days>(micros);
    const year_month_day date(dayStart);
    // By hand rather than with hh_mm_ss, which older C++ libraries of the Mac lack.
    const long long inDay = (micros - dayStart).count();
    const long long second = inDay / 1000000;
    char text[96];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02lld:%02lld:%02lld.%06lldZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), second / 3600, second / 60 % 60, second % 60,
                  inDay % 1000000);
    return text;
}

std::optional<std::string> utcTextOfTimestamp(std::string_view timestamp) {
    const auto moment = parseLogTimestamp(timestamp);
    return moment ? std::optional<std::string>(utcText(*moment)) : std::nullopt;
}

} // namespace scanbrook::reports
