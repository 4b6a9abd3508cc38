#pragma once

#include "platform/Clock.h"
#include "platform/JsonWriter.h"
#include "protection/ProtectionStatus.h"
#include "reports/CheckReport.h"
#include "reports/ScanSummary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The check and the summary as JSON documents, for fleet tools. Their schemas are
/// docs/schema/check.schema.json and docs/schema/summary.schema.json; format_version changes
/// when a member is renamed or removed, never when one is added.
namespace scanbrook::reports {

inline constexpr std::int64_t kJsonFormatVersion = 1;

/// What every document says about the check it comes from.
struct DocumentHeader {
    std::int64_t periodDays = 1;
    platform::TimePoint scannedAt;
    /// XProtect Remediator's version; nullopt when it is not installed.
    std::optional<std::string> remediatorVersion = std::nullopt;
    /// For a document made from the scan ledger rather than the log: "source" "ledger" and
    /// "recorded_since", the RFC 3339 UTC time from when the ledger holds history (null when
    /// it holds none yet).
    struct Recorded {
        std::optional<std::string> since;
        /// The summary's verdict line when it must say more than verdictLine() can: that the
        /// ledger's history begins within the period.
        std::optional<std::string> verdictLine = std::nullopt;
    };
    std::optional<Recorded> recorded = std::nullopt;
};

/// Writes one event per report line as the report is built; pass it as the report builder's
/// observer.
class CheckEventsJson final : public ReportLineObserver {
public:
    CheckEventsJson();
    void reportLine(const platform::LogEntry& entry, bool warning) override;
    /// The JSON array of the events so far.
    std::string array() const;

private:
    platform::JsonWriter events;
};

/// "lines", "none_found", "not_an_array" or "tool_failed".
std::string_view outcomeName(CheckOutcome outcome);

/// The check's document: `report` is the report without its closing line (the error text when
/// the tool failed), `events` what observed its building. Ends with a line feed.
std::string checkJson(const DocumentHeader& header, const CheckSummary& check,
                      std::string_view report, const CheckEventsJson& events);

/// The summary's document; `check` and `report` as for checkJson; `protection` null when it
/// was not looked at. Ends with a line feed.
std::string summaryJson(const DocumentHeader& header, const ScanSummary& summary,
                        const CheckSummary& check, std::string_view report,
                        const protection::ProtectionStatus* protection = nullptr);

} // namespace scanbrook::reports
