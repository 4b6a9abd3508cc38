#include "reports/ScanOutcome.h"

#include <array>

namespace scanbrook::reports {

namespace {

// What XProtect Remediator writes as "status_code" and "status_message" in its structured
// events (subsystem com.apple.XProtectFramework.PluginAPI, category XPEvent.structured).
// Apple does not document them; each comes from events seen in the unified log of Macs running
// XProtect Remediator, and the first three are the ones the report's outcome markers were
// made for ("NoThreatDetected", "status_code":20, "status_code":0).
constexpr std::array kKnownStatuses = {
    // A scan that ran to its end and found nothing.
    KnownStatus{0, "NoThreatDetected", ScanClass::Clean},
    // The scanner had nothing to look at on this Mac (its target is absent).
    KnownStatus{20, "ScanNotApplicable", ScanClass::Clean},
    // The scan could not run or was stopped; an "error_description" says why.
    KnownStatus{1, "ScanFailed", ScanClass::ScanProblem},
    // A threat was found and removed; the alerts in "caller" name what was removed.
    KnownStatus{30, "ThreatRemediated", ScanClass::ThreatRemediated},
};

} // namespace

std::string_view className(ScanClass scanClass) {
    switch (scanClass) {
    case ScanClass::Clean:
        return "clean";
    case ScanClass::ScanProblem:
        return "scan_problem";
    case ScanClass::ThreatRemediated:
        return "threat_remediated";
    case ScanClass::ThreatFound:
        return "threat_found";
    }
    return "scan_problem";
}

std::span<const KnownStatus> knownStatuses() {
    return kKnownStatuses;
}

const KnownStatus* findKnownStatus(std::string_view message) {
    for (const KnownStatus& status : kKnownStatuses) {
        if (message == status.message) {
            return &status;
        }
    }
    return nullptr;
}

EventOutcome classifyEvent(const std::optional<std::string_view>& message, bool warning) {
    if (!message) {
        // The report shows no marker at all: nothing says the scan ended well.
        return {ScanClass::ScanProblem, {}};
    }
    if (!warning) {
        return {ScanClass::Clean, {}};
    }
    auto fields = platform::readScanMessage(*message);
    if (!fields) {
        return {ScanClass::ScanProblem, {}};
    }
    // Only the name decides a removal: a status code alone has never been seen to mean one.
    const KnownStatus* known =
        fields->statusMessage ? findKnownStatus(*fields->statusMessage) : nullptr;
    if (known != nullptr && known->meaning == ScanClass::ThreatRemediated) {
        return {ScanClass::ThreatRemediated, std::move(fields->paths)};
    }
    if (!fields->paths.empty()) {
        return {ScanClass::ThreatFound, std::move(fields->paths)};
    }
    return {ScanClass::ScanProblem, {}};
}

} // namespace scanbrook::reports
