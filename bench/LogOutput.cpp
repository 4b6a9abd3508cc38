#include "LogOutput.h"

#include "Common.h"
#include "Events.h"
#include "LogFormat.h"

#include <array>
#include <cstdio>
#include <string_view>

namespace scanbrook::bench {

namespace {

constexpr std::int64_t kMicrosPerDay = 86400LL * 1000000;
/// The end of the month of history: 2024-03-05 09:41:07 UTC.
constexpr std::int64_t kEndMicros = 1709631667LL * 1000000;
constexpr std::int64_t kSpanMicros = 30 * kMicrosPerDay;

/// What a scanner's structured event says about how its scan ended.
enum class Outcome {
    Clean,         ///< status 0 and "NoThreatDetected": the first and third marker
    Completed,     ///< status 0 without "NoThreatDetected": the third marker only
    NotApplicable, ///< status 20: the second marker only
    Failed,        ///< status 1: no marker
    Remediated,    ///< status 30 with an alert: no marker
};

Outcome drawOutcome(double draw) {
    if (draw < 0.935) {
        return Outcome::Clean;
    }
    if (draw < 0.950) {
        return Outcome::Completed;
    }
    if (draw < 0.990) {
        return Outcome::NotApplicable;
    }
    if (draw < 0.997) {
        return Outcome::Failed;
    }
    return Outcome::Remediated;
}

std::string_view statusText(Outcome outcome) {
    switch (outcome) {
    case Outcome::Clean:
        return "\"status_code\":0,\"status_message\":\"NoThreatDetected\"}";
    case Outcome::Completed:
        return "\"status_code\":0,\"status_message\":\"ScanCompleted\"}";
    case Outcome::NotApplicable:
        return "\"status_code\":20,\"status_message\":\"ScanNotApplicable\"}";
    case Outcome::Failed:
        return "\"status_code\":1,\"status_message\":\"ScanFailed\"}";
    case Outcome::Remediated:
        return "\"status_code\":30,\"status_message\":\"ThreatRemediated\"}";
    }
    return "}";
}

/// Paths a scanner may have looked at last; some with the non-ASCII names that users give
/// their files.
constexpr std::array<std::string_view, 6> kExaminedPaths = {
    "/Users/Shared/Résumé 日本語.pdf",
    "/Users/jérôme/Library/Application Support/Übersicht/widgets/clock.jsx",
    "/Users/ana/Documents/Presupuesto año 2024 – versión final.numbers",
    "/Users/li/Desktop/会议记录 3月.txt",
    "/Users/mark/Downloads/setup (1).dmg",
    "/private/var/folders/zz/zyxvpxvq6csfxvn_n0000000000000/T/com.apple.xpc.launchd.plist",
};

void appendNumber(std::string& out, std::uint64_t value) {
    out += std::to_string(value);
}

std::string eventMessage(std::string_view scanner, Outcome outcome, sim::Random& random,
                         std::uint64_t sessionSeed) {
    const std::string_view family = scanner.substr(std::string_view("XProtectRemediator").size());
    std::string message = "{\"caller\":{\"alerts\":[";
    if (outcome == Outcome::Remediated) {
        message += "{\"path\":\"/Users/jérôme/Library/LaunchAgents/com.updater.helper.plist\","
                   "\"remediated\":true,\"type\":\"file\"}";
    }
    message.append("],\"name\":\"").append(scanner).append("\",\"version\":\"");
    message.append(sim::kRemediatorVersion).append("\"},");
    if (outcome == Outcome::Failed) {
        message += "\"error_description\":\"Could not open \\\"/private/var/db/xprotect/"
                   "scan.state\\\": Operation not permitted\",";
    }
    const double spread = random.unit();
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.6f", 0.04 + spread * spread * spread * 6.0);
    message.append("\"execution_duration\":").append(duration).append(",");
    if (random.unit() < 0.02) {
        message.append("\"last_examined_path\":\"")
            .append(kExaminedPaths[random.next() % kExaminedPaths.size()])
            .append("\",");
    }
    message.append("\"os_version\":\"14.3.1 (23D60)\",");
    message.append("\"plugin\":{\"bundle_identifier\":\"com.apple.XProtectFramework.plugins.")
        .append(family)
        .append("\",\"path\":\"")
        .append(sim::kResourcesFolder)
        .append(scanner)
        .append("\",\"version\":\"")
        .append(sim::kRemediatorVersion)
        .append("\"},");
    message.append("\"scan\":{\"examined_files\":");
    appendNumber(message, static_cast<std::uint64_t>(random.between(200, 250000)));
    message.append(",\"examined_launch_items\":");
    appendNumber(message, static_cast<std::uint64_t>(random.between(10, 400)));
    message.append(",\"examined_processes\":");
    appendNumber(message, static_cast<std::uint64_t>(random.between(150, 900)));
    message.append(",\"session\":\"").append(sim::uuidFrom(sessionSeed));
    message.append("\",\"trigger\":\"").append(random.unit() < 0.9 ? "scheduled" : "on_demand");
    message.append("\"},");
    message.append(statusText(outcome));
    return message;
}

} // namespace

std::string makeLogOutput(std::size_t entries, std::uint64_t seed) {
    std::string out;
    if (entries == 0) {
        out = "[]\n";
        return out;
    }
    // The log tool's entries run about 1,700 bytes.
    out.reserve(entries * 1800 + 16);
    sim::Random random(seed);
    const std::size_t scanners = sim::kScanners.size();
    const std::size_t runs = (entries + scanners - 1) / scanners;
    const std::int64_t runSpacing = kSpanMicros / static_cast<std::int64_t>(runs);
    std::int64_t runStart = kEndMicros - kSpanMicros;
    std::string senderPath;
    std::size_t written = 0;
    for (std::size_t run = 0; run < runs; ++run, runStart += runSpacing) {
        const auto firstProcessID = static_cast<std::uint32_t>(random.between(400, 60000));
        const std::uint64_t session = random.next();
        std::int64_t micros = runStart + random.between(0, runSpacing / 4);
        for (std::size_t index = 0; index < scanners && written < entries; ++index, ++written) {
            micros += random.between(40000, 6000000);
            sim::ScanEvent event;
            event.micros = micros;
            event.scanner = sim::kScanners[index];
            event.info = random.unit() < 0.2;
            event.processID = firstProcessID + static_cast<std::uint32_t>(index) * 3;
            event.message =
                eventMessage(event.scanner, drawOutcome(random.unit()), random, session);
            out += written == 0 ? "[" : ",";
            sim::appendJsonEntry(out, sim::recordOf(event, senderPath));
        }
    }
    out += "]\n";
    return out;
}

} // namespace scanbrook::bench
