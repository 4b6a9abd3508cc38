#include "ledger/LedgerEvents.h"

#include <chrono>
#include <cstdio>

namespace scanbrook::ledger {

namespace {

constexpr std::string_view kStatusCodeKey = "status_code";
constexpr std::string_view kStatusMessageKey = "status_message";
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

void hashBytes(std::uint64_t& hash, std::string_view bytes) {
    constexpr std::uint64_t kPrime = 0x100000001b3ULL;
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kPrime;
    }
}

void hashOptional(std::uint64_t& hash, const std::optional<std::string>& text) {
    // Present and absent differ even for an empty text; the length keeps the two fields apart.
    hashBytes(hash, text ? "+" : "-");
    if (text) {
        hashBytes(hash, std::to_string(text->size()));
        hashBytes(hash, ":");
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
    const std::chrono::year_month_day date{std::chrono::year(year),
                                           std::chrono::month(static_cast<unsigned>(month)),
                                           std::chrono::day(static_cast<unsigned>(day))};
    if (!date.ok()) {
        return std::nullopt;
    }
    const std::int64_t days = std::chrono::sys_days(date).time_since_epoch().count();
    const std::int64_t offset = (zoneHours * 60 + zoneMinutes) * 60 * (t[26] == '-' ? -1 : 1);
    const std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second - offset;
    return seconds * kMicrosPerSecond + micros;
}

std::string utcText(std::int64_t instantMicros) {
    using namespace std::chrono;
    const sys_time<microseconds> instant{microseconds(instantMicros)};
    const sys_days day = floor<days>(instant);
    const year_month_day date(day);
    const hh_mm_ss time(instant - day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d.%06lldZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count()),
                  static_cast<long long>(time.subseconds().count()));
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
    char zone[8];
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
        platform::IntegerAndString status = platform::objectIntegerAndStringMembers(
            *entry.eventMessage, kStatusCodeKey, kStatusMessageKey);
        row.statusCode = status.integer;
        row.statusMessage = std::move(status.string);
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
