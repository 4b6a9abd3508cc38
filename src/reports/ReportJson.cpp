#include "reports/ReportJson.h"

#include "platform/DateFormat.h"
#include "reports/ReportTexts.h"

namespace scanbrook::reports {

namespace {

/// RFC 3339 in UTC.
constexpr std::string_view kUtcPattern = "yyyy-MM-dd'T'HH:mm:ss'Z'";

void writeHeader(platform::JsonWriter& json, const DocumentHeader& header) {
    json.key("format_version").number(kJsonFormatVersion);
    json.key("period_days").number(header.periodDays);
    json.key("scanned_at").string(lastCheckDateText(header.scannedAt));
    json.key("scanned_at_utc")
        .string(platform::formatDate(header.scannedAt, kUtcPattern, kDateTextLocale,
                                     kDateTextTimeZone));
    if (header.recorded) {
        json.key("source").string("ledger");
        json.key("recorded_since")
            .nullableString(header.recorded->since
                                ? std::optional<std::string_view>(*header.recorded->since)
                                : std::nullopt);
    }
}

void writeError(platform::JsonWriter& json, const CheckSummary& check, std::string_view report) {
    json.key("error");
    if (check.outcome == CheckOutcome::ToolFailed) {
        json.string(report);
    } else {
        json.null();
    }
}

std::optional<std::string_view> view(const std::optional<std::string>& text) {
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

} // namespace

CheckEventsJson::CheckEventsJson() {
    events.beginArray();
}

void CheckEventsJson::reportLine(const platform::LogEntry& entry, bool warning) {
    events.beginObject();
    events.key("time").string(entry.timestamp ? reportTime(*entry.timestamp) : std::string_view());
    events.key("timestamp").nullableString(entry.timestamp);
    events.key("scanner").string(scannerName(entry.senderImagePath));
    events.key("clean").nullableBoolean(entry.eventMessage ? std::optional<bool>(!warning)
                                                           : std::nullopt);
    events.key("message").nullableString(entry.eventMessage);
    events.endObject();
}

std::string CheckEventsJson::array() const {
    return events.text() + "]";
}

std::string_view outcomeName(CheckOutcome outcome) {
    switch (outcome) {
    case CheckOutcome::Lines:
        return "lines";
    case CheckOutcome::NoneFound:
        return "none_found";
    case CheckOutcome::NoArray:
        return "not_an_array";
    case CheckOutcome::ToolFailed:
        return "tool_failed";
    }
    return "tool_failed";
}

std::string checkJson(const DocumentHeader& header, const CheckSummary& check,
                      std::string_view report, const CheckEventsJson& events) {
    platform::JsonWriter json;
    json.beginObject();
    writeHeader(json, header);
    json.key("outcome").string(outcomeName(check.outcome));
    writeError(json, check, report);
    json.key("events").raw(events.array());
    json.endObject();
    return json.text() + "\n";
}

std::string summaryJson(const DocumentHeader& header, const ScanSummary& summary,
                        const CheckSummary& check, std::string_view report) {
    platform::JsonWriter json;
    json.beginObject();
    writeHeader(json, header);
    json.key("verdict").string(verdictName(summary.verdict));
    json.key("verdict_line")
        .string(header.recorded && header.recorded->verdictLine
                    ? *header.recorded->verdictLine
                    : verdictLine(summary, header.periodDays));
    json.key("newest_event").nullableString(view(summary.newestEvent));
    json.key("runs").number(static_cast<std::int64_t>(summary.runs));
    json.key("warnings").number(static_cast<std::int64_t>(summary.warnings));
    writeError(json, check, report);
    json.key("scanners").beginArray();
    for (const ScannerSummary& scanner : summary.scanners) {
        json.beginObject();
        json.key("name").string(scanner.name);
        json.key("runs").number(static_cast<std::int64_t>(scanner.runs));
        json.key("last_run").nullableString(view(scanner.lastRun));
        json.key("last_result").nullableString(resultName(scanner.lastWarning));
        json.key("last_status").nullableString(view(scanner.lastStatus));
        json.key("warnings").number(static_cast<std::int64_t>(scanner.warnings));
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.text() + "\n";
}

} // namespace scanbrook::reports
