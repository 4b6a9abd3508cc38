#pragma once

#include "LogFormat.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

/// XProtect Remediator's structured events on the simulated Mac: the synthetic history that
/// the log tool makes up for any day, and the event store that the simulated XProtect appends
/// to. All of it is synthetic.
namespace scanbrook::sim {

inline constexpr std::string_view kRemediatorVersion = "151";
inline constexpr std::string_view kPluginSubsystem = "com.apple.XProtectFramework.PluginAPI";
inline constexpr std::string_view kPluginCategory = "XPEvent.structured";
inline constexpr std::string_view kResourcesFolder =
    "/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/Resources/";
/// Where the store lies under the platform root.
inline constexpr std::string_view kStoreFile = "/sim/store/events.tsv";

/// The scanners, in the order a scan run goes through them.
inline constexpr std::array<std::string_view, 23> kScanners = {
    "XProtectRemediatorAdload",    "XProtectRemediatorBadGacha",
    "XProtectRemediatorBlueTop",   "XProtectRemediatorCardboardCutout",
    "XProtectRemediatorColdSnap",  "XProtectRemediatorCrapyrator",
    "XProtectRemediatorDolittle",  "XProtectRemediatorDubRobber",
    "XProtectRemediatorEicar",     "XProtectRemediatorFloppyFlipper",
    "XProtectRemediatorGenieo",    "XProtectRemediatorGreenAcre",
    "XProtectRemediatorKeySteal",  "XProtectRemediatorMRTv3",
    "XProtectRemediatorPirrit",    "XProtectRemediatorRankStank",
    "XProtectRemediatorRedPine",   "XProtectRemediatorRoachFlight",
    "XProtectRemediatorSheepSwap", "XProtectRemediatorSnowDrift",
    "XProtectRemediatorToydrop",   "XProtectRemediatorTrovi",
    "XProtectRemediatorWaterNet",
};

/// How one scanner's scan ended.
enum class Outcome {
    Clean,         ///< status 0, "NoThreatDetected"
    NotApplicable, ///< status 20
    Failed,        ///< status 1
    Remediated,    ///< status 30, with an alert
    NotRemoved,    ///< status 1, naming the files of a threat it could not remove
};

struct ScanEvent {
    std::int64_t micros = 0;
    std::string scanner; ///< for instance "XProtectRemediatorPirrit"
    bool info = false;   ///< messageType "Info" rather than "Default"
    std::uint32_t processID = 0;
    std::string message; ///< the event message, a JSON record as text
};

/// The event message for one scan. `withForeignPath` adds a member holding a file name with
/// non-ASCII characters.
std::string scanMessage(std::string_view scanner, Outcome outcome, double durationSeconds,
                        bool withForeignPath);

/// The synthetic events of one UTC day (days since 1970-01-01), oldest first: three or four
/// scan runs, each going through every scanner. The same day always gives the same events.
std::vector<ScanEvent> historyOfDay(std::int64_t day);

/// The events of the store under `root`, in file order; lines that are not events are skipped.
std::vector<ScanEvent> readStore(const std::string& root);

/// Appends one event to the store as one line in one write, under an exclusive lock, so that
/// several writers can append at once. Creates the store when it is missing. False on failure.
bool appendToStore(const std::string& root, const ScanEvent& event);

/// The log record of a scan event (the views point into `event`).
LogRecord recordOf(const ScanEvent& event, std::string& senderPathStorage);

} // namespace scanbrook::sim
