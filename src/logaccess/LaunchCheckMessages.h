#pragma once

#include <string_view>

/// What the user is told when a launch check fails, one message per check.
namespace scanbrook::messages {

inline constexpr std::string_view kNotAdmin =
    "Scanbrook can't get logs unless you're an admin user.\n"
    "Please switch to an admin account and try again.";
inline constexpr std::string_view kNoLogFiles = "Scanbrook can't find any log files on your Mac.";
inline constexpr std::string_view kNoTimesyncFiles =
    "Scanbrook can't find log timesync files on your Mac.";
inline constexpr std::string_view kNoLogEntries =
    "Scanbrook can't find any log entries on your Mac.";
inline constexpr std::string_view kWrongTimeFormat =
    "Log time format is incorrect.\nPlease set the time in the Language & Region pane to 24-hour.";

} // namespace scanbrook::messages
