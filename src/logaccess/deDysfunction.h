#pragma once

#include <string>
#include <string_view>

namespace scanbrook {

/// The launch checks that the unified log can be read by this user on this Mac, and the script
/// that takes the user to the clock settings. Every check is synchronous, keeps nothing between
/// calls and answers true when all is well; none throws or shows anything.
class deDysfunction {
public:
    deDysfunction();

    /// Brings System Preferences forward at its Language & Region pane. Kept as text only:
    /// System Settings (macOS 13 and later) no longer resolves these pane ids and the script
    /// would cost the user an Automation prompt for nothing, so the launch sequence opens the
    /// pane by its address instead (platform::openClockSettings).
    const std::string setClockScript;

    /// The user belongs to the administrators' group (80).
    bool checkAdmin() const;
    /// The log's store folder exists, can be listed and is not empty.
    bool checkPersist() const;
    /// The log's timesync folder exists, can be listed and is not empty.
    bool checkTimesync() const;
    /// A folder exists at `path`, can be listed, and holds at least one entry (hidden ones too).
    bool checkDirectory(const std::string& path) const;
    /// The log tool succeeds and prints at least one line for the latest stretch of the log.
    bool checkLogEntries() const;
    /// Dates render in 24-hour form, and recent log entries carry timestamps of the exact form
    /// the scan report reads.
    bool checkLogTimeFormat() const;

    // The decisions behind the checks, on the tools' output alone.

    /// Whether the id tool's output names group 80 as a whole piece.
    static bool groupListHasAdmin(std::string_view idOutput);
    /// Whether the log tool's plain output holds at least one line feed.
    static bool logOutputHasEntries(std::string_view logOutput);
    /// Whether the sample date renders without day-period letters in this time zone.
    static bool rendersTwentyFourHour();
    /// Whether one of the first ten entries of the log tool's JSON output has a usable
    /// timestamp. `jsonOutput` must be followed by the command run's spare padding bytes.
    static bool logTimestampsUsable(std::string_view jsonOutput);
    /// Whether one timestamp text has exactly the form "yyyy-MM-dd HH:mm:ss.SSSSSSZZZ".
    static bool timestampUsable(std::string_view timestamp);
};

} // namespace scanbrook
