#pragma once

#include "platform/Clock.h"
#include "platform/Process.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Whether XProtect itself is in shape: the versions of its two data copies (macOS 15 keeps one
/// in use and one from Software Update, which drift apart) and whether its launch and
/// background scans are enabled. Qt-free; the system is reached through platform/.
namespace scanbrook::protection {

enum class ScanSetting { Enabled, Disabled, Unknown };

struct DataCopy {
    /// CFBundleShortVersionString; nullopt when the bundle has no readable one.
    std::optional<std::string> version;
    std::optional<platform::TimePoint> modified;
};

/// What `xprotect status` said about the scans.
struct ScanSettings {
    ScanSetting launchScans = ScanSetting::Unknown;
    ScanSetting backgroundScans = ScanSetting::Unknown;
    /// Why a setting is unknown; empty when both are known.
    std::string unknownBecause;
};

struct ProtectionStatus {
    /// XProtect Remediator's version (XProtect.app); nullopt when it is not installed.
    std::optional<std::string> remediatorVersion;
    /// The copy in use on macOS 15 and later; nullopt when there is no such bundle.
    std::optional<DataCopy> active;
    /// The Software Update copy; nullopt when there is no such bundle.
    std::optional<DataCopy> legacy;
    ScanSettings scans;
};

/// Whether the two copies' versions differ; nullopt unless both have a version.
std::optional<bool> dataVersionsDiffer(const ProtectionStatus& status);

/// "enabled", "disabled" or "unknown".
std::string_view settingName(ScanSetting setting);

/// Something about the protection that its owner should know.
struct Note {
    std::string_view
        code; ///< background_scans_disabled, launch_scans_disabled, data_versions_differ
    std::string text;
};
std::vector<Note> protectionNotes(const ProtectionStatus& status);

/// How long `xprotect status` may take before it counts as failed.
inline constexpr std::chrono::milliseconds kXProtectToolLimit{5000};

/// The scan settings from how `xprotect status` ended. Only its two known lines are read
/// ("Launch scans: enabled", "Background scans: disabled", in any letter case); a tool that
/// was not there, failed, hung or said something else leaves a setting unknown, and says why.
ScanSettings parseXProtectStatus(const platform::CommandResult& result);

/// XProtect Remediator's version from its bundle; nullopt when it is not installed.
std::optional<std::string> installedRemediatorVersion();

/// Reads both data bundles and runs `xprotect status` (with kXProtectToolLimit). Slow: never on
/// the main thread.
ProtectionStatus readProtectionStatus();

/// The status as information lines for people (no line feeds inside), the notes last.
std::vector<std::string> protectionLines(const ProtectionStatus& status);

} // namespace scanbrook::protection
