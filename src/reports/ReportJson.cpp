#include "reports/ReportJson.h"

#include "platform/BuildInfo.h"
#include "platform/DateFormat.h"
#include "reports/LogTimestamp.h"
#include "reports/ReportTexts.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace scanbrook::reports {

namespace {

/// RFC 3339 in UTC.
constexpr std::string_view kUtcPattern = "yyyy-MM-dd'T'HH:mm:ss'Z'";

std::optional<std::string_view> view(const std::optional<std::string>& text) {
    return text ? std::optional<std::string_view>(*text) : std::nullopt;
}

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
    json.key("scanbrook_version").string(build::kVersion);
    json.key("remediator_version").nullableString(view(header.remediatorVersion));
}

/// The RFC 3339 UTC form of a log timestamp, or null.
void writeUtc(platform::JsonWriter& json, std::string_view key,
              const std::optional<std::string_view>& timestamp) {
    json.key(key);
    const auto utc = timestamp ? utcTextOfTimestamp(*timestamp) : std::nullopt;
    json.nullableString(view(utc));
}

void writeCounts(platform::JsonWriter& json, const ClassCounts& counts) {
    json.key("counts").beginObject();
    for (const ScanClass scanClass : {ScanClass::Clean, ScanClass::ThreatRemediated,
                                      ScanClass::ThreatFound, ScanClass::ScanProblem}) {
        json.key(className(scanClass))
            .number(static_cast<std::int64_t>(counts[static_cast<std::size_t>(scanClass)]));
    }
    json.endObject();
}

void writeFindings(platform::JsonWriter& json, const ScanSummary& summary) {
    json.key("findings").beginArray();
    for (const Finding& finding : summary.findings) {
        json.beginObject();
        json.key("scanner").string(finding.scanner);
        json.key("class").string(className(finding.scanClass));
        json.key("path").string(finding.path);
        json.key("timestamp").nullableString(view(finding.timestamp));
        writeUtc(json, "time_utc", view(finding.timestamp));
        json.endObject();
    }
    json.endArray();
    json.key("findings_left_out").number(static_cast<std::int64_t>(summary.findingsLeftOut));
}

std::string utcOfMoment(const std::optional<platform::TimePoint>& moment) {
    return moment ? utcText(*moment) : std::string();
}

void writeDataCopy(platform::JsonWriter& json, std::string_view key,
                   const std::optional<protection::DataCopy>& copy) {
    json.key(key);
    if (!copy) {
        json.null();
        return;
    }
    json.beginObject();
    json.key("version").nullableString(view(copy->version));
    const std::string modified = utcOfMoment(copy->modified);
    json.key("modified_utc")
        .nullableString(copy->modified ? std::optional<std::string_view>(modified) : std::nullopt);
    json.endObject();
}

void writeProtection(platform::JsonWriter& json, const protection::ProtectionStatus* status) {
    json.key("protection");
    if (status == nullptr) {
        json.null();
        json.key("notes").beginArray().endArray();
        return;
    }
    json.beginObject();
    json.key("remediator_version").nullableString(view(status->remediatorVersion));
    json.key("data").beginObject();
    writeDataCopy(json, "active", status->active);
    writeDataCopy(json, "legacy", status->legacy);
    json.endObject();
    json.key("data_versions_differ").nullableBoolean(protection::dataVersionsDiffer(*status));
    json.key("launch_scans").string(protection::settingName(status->scans.launchScans));
    json.key("background_scans").string(protection::settingName(status->scans.backgroundScans));
    json.key("scans_unknown_because")
        .nullableString(status->scans.unknownBecause.empty()
                            ? std::nullopt
                            : std::optional<std::string_view>(status->scans.unknownBecause));
    json.endObject();
    json.key("notes").beginArray();
    for (const protection::Note& note : protection::protectionNotes(*status)) {
        json.beginObject();
        json.key("code").string(note.code);
        json.key("text").string(note.text);
        json.endObject();
    }
    json.endArray();
}

void writeError(platform::JsonWriter& json, const CheckSummary& check, std::string_view report) {
    json.key("error");
    if (check.outcome == CheckOutcome::ToolFailed) {
        json.string(report);
    } else {
        json.null();
    }
}

} // namespace

CheckEventsJson::CheckEventsJson() {
    events.beginArray();
}

void CheckEventsJson::reportLine(const platform::LogEntry& entry, bool warning) {
    events.beginObject();
    events.key("time").string(entry.timestamp ? reportTime(*entry.timestamp) : std::string_view());
    events.key("timestamp").nullableString(entry.timestamp);
    writeUtc(events, "time_utc", entry.timestamp);
    events.key("scanner").string(scannerName(entry.senderImagePath));
    events.key("class").string(className(classifyEvent(entry.eventMessage, warning).scanClass));
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
                        const CheckSummary& check, std::string_view report,
                        const protection::ProtectionStatus* protection) {
    platform::JsonWriter json;
    json.beginObject();
    writeHeader(json, header);
    json.key("verdict").string(verdictName(summary.verdict));
    json.key("status").string(statusName(summary.status));
    json.key("verdict_line")
        .string(header.recorded && header.recorded->verdictLine
                    ? *header.recorded->verdictLine
                    : verdictLine(summary, header.periodDays));
    json.key("newest_event").nullableString(view(summary.newestEvent));
    writeUtc(json, "newest_event_utc", view(summary.newestEvent));
    json.key("hours_since_last_scan");
    if (summary.hoursSinceLastScan) {
        // In hundredths, by integers: no locale may turn the point into a comma.
        const long long hundredths = std::llround(*summary.hoursSinceLastScan * 100.0);
        const long long whole = hundredths / 100;
        const long long part = std::llabs(hundredths % 100);
        char hours[48];
        std::snprintf(hours, sizeof hours, "%s%lld.%02lld", hundredths < 0 && whole == 0 ? "-" : "",
                      whole, part);
        json.raw(hours);
    } else {
        json.null();
    }
    json.key("stale_hours").number(summary.staleHours);
    json.key("runs").number(static_cast<std::int64_t>(summary.runs));
    json.key("warnings").number(static_cast<std::int64_t>(summary.warnings));
    writeCounts(json, summary.counts);
    writeFindings(json, summary);
    writeError(json, check, report);
    writeProtection(json, protection);
    json.key("scanners").beginArray();
    for (const ScannerSummary& scanner : summary.scanners) {
        json.beginObject();
        json.key("name").string(scanner.name);
        json.key("runs").number(static_cast<std::int64_t>(scanner.runs));
        json.key("last_run").nullableString(view(scanner.lastRun));
        writeUtc(json, "last_run_utc", view(scanner.lastRun));
        json.key("last_class").string(className(scanner.lastClass));
        json.key("last_result").nullableString(resultName(scanner.lastWarning));
        json.key("last_status").nullableString(view(scanner.lastStatus));
        json.key("warnings").number(static_cast<std::int64_t>(scanner.warnings));
        writeCounts(json, scanner.counts);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.text() + "\n";
}

} // namespace scanbrook::reports
