#include "ledger/LedgerEvents.h"

#include <cstdio>

namespace scanbrook::ledger {

namespace {

/// "yyyy-MM-dd HH:mm:ss.SSSSSS+HHMM"
constexpr std::size_t kTimestampLength = 31;
constexpr std::int64_t kMicrosPerSecond = 1'000'000;

/// The number of `count` decimal digits at `at`; -1 when one is no digit.
int digits(std::string_view text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

/// Days since 1970-01-01 of a date of the proleptic Gregorian calendar (H. Hinnant's
/// algorithm), without the calendar types that older C++ libraries lack.
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

Civil civilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2 ? 1 : 0), m, d};
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)) ? 1 : 0);
}

constexpr std::uint64_t kMultiplier = 0x9E3779B97F4A7C15ULL;

void mix(std::uint64_t& hash, std::uint64_t word) {
    hash = (hash ^ word) * kMultiplier;
    hash ^= hash >> 29;
}

/// Eight bytes at a time, read in little-endian order whatever the machine's, so that a
/// ledger's keys are the same wherever it was written.
void hashBytes(std::uint64_t& hash, std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t left = bytes.size();
    for (; left >= 8; left -= 8, p += 8) {
        std::uint64_t word = 0;
        for (int i = 7; i >= 0; --i) {
            word = (word << 8) | p[i];
        }
        mix(hash, word);
    }
    std::uint64_t tail = 0;
    for (std::size_t i = left; i > 0; --i) {
        tail = (tail << 8) | p[i - 1];
    }
    mix(hash, tail);
}

void hashOptional(std::uint64_t& hash, const std::optional<std::string>& text) {
    // Present and absent differ even for an empty text; the length keeps the two fields apart.
    mix(hash, text ? text->size() + 1 : 0);
    if (text) {
        hashBytes(hash, *text);
    }
}

std::optional<std::string_view> view(const std::optional<std::string>& text) {
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

} // namespace

std::string_view outcomeText(const EventRow& row) {
    if (!row.message) {
        return "none";
    }
    return row.warning ? "warning" : "clean";
}

std::optional<std::int64_t> instantOfTimestamp(std::string_view t) {
    if (t.size() != kTimestampLength || t[4] != '-' || t[7] != '-' || t[10] != ' ' ||
        t[13] != ':' || t[16] != ':' || t[19] != '.' || (t[26] != '+' && t[26] != '-')) {
        return std::nullopt;
    }
    const int year = digits(t, 0, 4);
    const int month = digits(t, 5, 2);
    const int day = digits(t, 8, 2);
    const int hour = digits(t, 11, 2);
    const int minute = digits(t, 14, 2);
    const int second = digits(t, 17, 2);
    const int micros = digits(t, 20, 6);
    const int zoneHours = digits(t, 27, 2);
    const int zoneMinutes = digits(t, 29, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 60 || micros < 0 || zoneHours < 0 || zoneMinutes < 0 ||
        zoneMinutes > 59) {
        return std::nullopt;
    }
    constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    if (month < 1 || month > 12 || day < 1 || day > kDaysInMonth[month - 1] ||
        (month == 2 && day == 29 && !leap)) {
        return std::nullopt;
    }
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day));
    const std::int64_t offset = (zoneHours * 60 + zoneMinutes) * 60 * (t[26] == '-' ? -1 : 1);
    const std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - offset;
    return seconds * kMicrosPerSecond + micros;
}

std::string utcText(std::int64_t instantMicros) {
    constexpr std::int64_t kMicrosPerDay = 86'400 * kMicrosPerSecond;
    const std::int64_t days = floorDiv(instantMicros, kMicrosPerDay);
    const std::int64_t inDay = instantMicros - days * kMicrosPerDay;
    const Civil date = civilFromDays(days);
    const std::int64_t seconds = inDay / kMicrosPerSecond;
    char text[96];
    std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02d:%02d:%02d.%06lldZ",
                  static_cast<long long>(date.year), date.month, date.day,
                  static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
                  static_cast<int>(seconds % 60), static_cast<long long>(inDay % kMicrosPerSecond));
    return text;
}

std::int64_t zoneMinutesOf(std::string_view t) {
    const int minutes = digits(t, 27, 2) * 60 + digits(t, 29, 2);
    return t[26] == '-' ? -minutes : minutes;
}

std::string logTimestampText(std::int64_t instantMicros, std::int64_t zoneMinutes) {
    constexpr std::int64_t kMicrosPerMinute = 60 * kMicrosPerSecond;
    std::string text = utcText(instantMicros + zoneMinutes * kMicrosPerMinute);
    text[10] = ' ';
    text.pop_back();
    const std::int64_t magnitude = zoneMinutes < 0 ? -zoneMinutes : zoneMinutes;
    char zone[32];
    std::snprintf(zone, sizeof zone, "%c%02d%02d", zoneMinutes < 0 ? '-' : '+',
                  static_cast<int>(magnitude / 60 % 100), static_cast<int>(magnitude % 60));
    return text + zone;
}

std::string utcSecondsText(std::int64_t instantMicros) {
    std::string text = utcText(instantMicros);
    text.erase(19, 7);
    return text;
}

std::int64_t eventKey(const EventRow& row) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    hashOptional(hash, row.senderPath);
    hashOptional(hash, row.message);
    // The final avalanche of MurmurHash3.
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdULL;
    hash ^= hash >> 33;
    return static_cast<std::int64_t>(hash);
}

platform::LogEntry entryOf(const EventRow& row) {
    platform::LogEntry entry;
    entry.isObject = true;
    entry.timestamp = row.timestamp;
    entry.senderImagePath = view(row.senderPath);
    entry.eventMessage = view(row.message);
    return entry;
}

void EventCollector::reportLine(const platform::LogEntry& entry, bool warning) {
    const std::optional<std::int64_t> instant =
        entry.timestamp ? instantOfTimestamp(*entry.timestamp) : std::nullopt;
    if (!instant) {
        ++untimed_;
        return;
    }
    EventRow& row = rows_.emplace_back();
    row.instantMicros = *instant;
    row.timestamp = *entry.timestamp;
    row.zoneMinutes = zoneMinutesOf(row.timestamp);
    if (entry.senderImagePath) {
        row.senderPath = std::string(*entry.senderImagePath);
    }
    if (entry.eventMessage) {
        row.message = std::string(*entry.eventMessage);
        row.warning = warning;
    }
}

void ObserverPair::reportLine(const platform::LogEntry& entry, bool warning) {
    if (a != nullptr) {
        a->reportLine(entry, warning);
    }
    if (b != nullptr) {
        b->reportLine(entry, warning);
    }
}

} // namespace scanbrook::ledger
