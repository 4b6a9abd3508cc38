#pragma once

#include "platform/LogJson.h"
#include "reports/CheckReport.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// The scan ledger's rows: what it keeps of each XProtect Remediator event, taken from the
/// check's own parse, and the log entry a row gives back, so that every reader of the ledger
/// goes through the same report line and summary as a check.
namespace scanbrook::ledger {

/// One event as the ledger keeps it (docs/ledger.md, table "events").
struct EventRow {
    /// Microseconds since 1970 UTC: what orders events and, with the sender and the message,
    /// tells them apart.
    std::int64_t instantMicros = 0;
    /// The log's whole "timestamp" text, for instance "2024-03-05 09:41:07.123456+0100".
    std::string timestamp;
    /// Its zone offset from UTC in minutes (+60 for "+0100").
    std::int64_t zoneMinutes = 0;
    std::optional<std::string> senderPath;
    std::optional<std::string> message;
    /// Whether the report gave the message the warning marker; meaningless without a message.
    bool warning = false;
};

/// "clean", "warning", or "none" for an event without a message: the report's marker rule.
std::string_view outcomeText(const EventRow& row);

/// The instant of a log "timestamp" ("yyyy-MM-dd HH:mm:ss.SSSSSS" and a zone offset of a sign
/// and four digits) in microseconds since 1970 UTC; nullopt for any other text.
std::optional<std::int64_t> instantOfTimestamp(std::string_view timestamp);
/// The zone offset of such a timestamp in minutes.
std::int64_t zoneMinutesOf(std::string_view timestamp);

/// The log's "timestamp" text of an instant in a zone `zoneMinutes` east of UTC: the inverse of
/// instantOfTimestamp() for every text the log writes (a leap second excepted).
std::string logTimestampText(std::int64_t instantMicros, std::int64_t zoneMinutes);

/// An instant in RFC 3339 at UTC with microseconds: "2024-03-05T08:41:07.123456Z".
std::string utcText(std::int64_t instantMicros);
/// The same to the second, for people and JSON: "2024-03-05T08:41:07Z".
std::string utcSecondsText(std::int64_t instantMicros);

/// A 64-bit digest of the sender path and the message (each with whether it is present): with
/// the instant, the key that makes reading the same entry twice store it once.
std::int64_t eventKey(const EventRow& row);

/// The log entry that a row stands for; its views point into `row`.
platform::LogEntry entryOf(const EventRow& row);

/// Collects the rows of a check's report lines as the report is built: pass it as the report
/// builder's observer (or one of several). Elements without a usable timestamp cannot be
/// placed in time and are counted, not kept.
class EventCollector final : public reports::ReportLineObserver {
public:
    void reportLine(const platform::LogEntry& entry, bool warning) override;

    const std::vector<EventRow>& rows() const { return rows_; }
    std::size_t untimed() const { return untimed_; }

private:
    std::vector<EventRow> rows_;
    std::size_t untimed_ = 0;
};

/// Hands every report line on to two observers.
class ObserverPair final : public reports::ReportLineObserver {
public:
    ObserverPair(reports::ReportLineObserver* first, reports::ReportLineObserver* second)
        : a(first), b(second) {}
    void reportLine(const platform::LogEntry& entry, bool warning) override;

private:
    reports::ReportLineObserver* a;
    reports::ReportLineObserver* b;
};

} // namespace scanbrook::ledger
