#pragma once

#include "platform/LogJson.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// What one scan event says happened: a clean scan, a threat removed, a threat still there, or
/// a scan that did not finish cleanly. Pure.
namespace scanbrook::reports {

/// In order of gravity, the least grave first.
enum class ScanClass { Clean, ScanProblem, ThreatRemediated, ThreatFound };
inline constexpr std::size_t kScanClasses = 4;

/// "clean", "scan_problem", "threat_remediated" or "threat_found".
std::string_view className(ScanClass scanClass);

/// A status XProtect Remediator writes into its events, and what it means.
struct KnownStatus {
    std::int64_t code;
    std::string_view message;
    ScanClass meaning;
};

/// Every status known so far; anything else is a scan problem.
std::span<const KnownStatus> knownStatuses();
/// The entry whose "status_message" is `message`; nullptr when it is unknown.
const KnownStatus* findKnownStatus(std::string_view message);

struct EventOutcome {
    ScanClass scanClass = ScanClass::ScanProblem;
    /// The paths the event names (see platform::ScanMessageFields), for a threat found or
    /// removed; empty otherwise.
    std::vector<std::string> paths;
};

/// The class of an event whose message is `message` (nullopt: the event has none) and whose
/// report line got the warning marker when `warning`:
///   clean when the line got two spaces as its marker; otherwise threat_remediated when the
///   message is a JSON object whose "status_message" is "ThreatRemediated"; otherwise
///   threat_found when it names at least one path; otherwise scan_problem. A message that is
///   not JSON, and an event without a message, are scan problems.
/// Only a message that did not pass as clean is parsed.
EventOutcome classifyEvent(const std::optional<std::string_view>& message, bool warning);

} // namespace scanbrook::reports
