#pragma once

#include <string_view>

/// Every absolute path of the Mac that Scanbrook reads or runs. Hand them to
/// platformPath() before use, so that a simulated Mac can stand in for them.
namespace scanbrook::mac {

inline constexpr std::string_view kLogTool = "/usr/bin/log";
inline constexpr std::string_view kIdTool = "/usr/bin/id";
inline constexpr std::string_view kLaunchctl = "/bin/launchctl";
inline constexpr std::string_view kOpenTool = "/usr/bin/open";
/// The address of System Settings' Language & Region pane, where the clock's form is set.
inline constexpr std::string_view kClockSettingsUrl =
    "x-apple.systempreferences:com.apple.Localization-Settings.extension";
inline constexpr std::string_view kXProtectBundle =
    "/Library/Apple/System/Library/CoreServices/XProtect.app";
inline constexpr std::string_view kXProtectExecutable =
    "/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/MacOS/XProtect";
/// XProtect's data: since macOS 15 the copy in use (updated over iCloud), and the copy that
/// Software Update installs (the only one before macOS 15).
inline constexpr std::string_view kXProtectActiveData = "/var/protected/xprotect/XProtect.bundle";
inline constexpr std::string_view kXProtectLegacyData =
    "/Library/Apple/System/Library/CoreServices/XProtect.bundle";
/// XProtect's command-line tool, from macOS 15 on.
inline constexpr std::string_view kXProtectTool = "/usr/bin/xprotect";
inline constexpr std::string_view kLogStoreDirectory = "/var/db/diagnostics/Persist";
inline constexpr std::string_view kLogTimesyncDirectory = "/var/db/diagnostics/timesync";

} // namespace scanbrook::mac
