#include "SimTestSupport.h"

#include "reports/LogCommands.h"

#include <simdjson.h>

#include <cstdio>
#include <ctime>

namespace scanbrook::test {

std::vector<std::string> checkQuery(int days) {
    return {"show",
            "--predicate",
            std::string(reports::kCheckPredicate),
            "--style",
            "json",
            "--info",
            "--last",
            std::to_string(days) + "d"};
}

std::optional<std::vector<JsonEntry>> parseEntries(const std::string& output) {
    simdjson::dom::parser parser;
    simdjson::dom::element document;
    if (parser.parse(simdjson::padded_string(output)).get(document) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    simdjson::dom::array array;
    if (document.get_array().get(array) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    std::vector<JsonEntry> entries;
    for (const auto element : array) {
        simdjson::dom::object object;
        if (element.get_object().get(object) != simdjson::SUCCESS) {
            return std::nullopt;
        }
        JsonEntry entry;
        for (const auto field : object) {
            ++entry.memberCount;
            std::string_view text;
            if (field.value.get_string().get(text) != simdjson::SUCCESS) {
                continue;
            }
            if (field.key == "timestamp") {
                entry.timestamp = text;
            } else if (field.key == "eventMessage") {
                entry.eventMessage = text;
            } else if (field.key == "senderImagePath") {
                entry.senderImagePath = text;
            } else if (field.key == "subsystem") {
                entry.subsystem = text;
            } else if (field.key == "category") {
                entry.category = text;
            }
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::optional<std::int64_t> timestampMicros(std::string_view text) {
    // Shape first: digits where digits belong, and the separators in place.
    constexpr std::string_view kShape = "dddd-dd-dd dd:dd:dd.dddddd+dddd";
    if (text.size() != kShape.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (kShape[i] == 'd'
                ? !digit
                : (kShape[i] == '+' ? text[i] != '+' && text[i] != '-' : text[i] != kShape[i])) {
            return std::nullopt;
        }
    }
    const std::string copy(text);
    std::tm fields{};
    int micros = 0;
    int offsetHours = 0;
    int offsetMinutes = 0;
    char sign = '+';
    std::sscanf(copy.c_str(), "%4d-%2d-%2d %2d:%2d:%2d.%6d%c%2d%2d", &fields.tm_year,
                &fields.tm_mon, &fields.tm_mday, &fields.tm_hour, &fields.tm_min, &fields.tm_sec,
                &micros, &sign, &offsetHours, &offsetMinutes);
    fields.tm_year -= 1900;
    fields.tm_mon -= 1;
    const auto offsetSeconds = (offsetHours * 3600 + offsetMinutes * 60) * (sign == '-' ? -1 : 1);
    const auto seconds = static_cast<std::int64_t>(::timegm(&fields)) - offsetSeconds;
    return seconds * 1000000 + micros;
}

std::int64_t systemMicros() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

} // namespace scanbrook::test
