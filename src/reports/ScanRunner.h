#pragma once

#include <string>

namespace scanbrook::reports {

/// Where the XProtect executable lies on this machine.
std::string xprotectExecutablePath();

/// Whether anything is at the XProtect executable's path; a press of the run button does
/// nothing otherwise.
bool xprotectInstalled();

/// What the window and the command line say when a run is asked for and the scanner is not
/// installed: "XProtect Remediator is not installed: no file at " and the executable's path,
/// without a line feed.
std::string notInstalledText();

struct RunOutcome {
    /// What the console gets: the completion notice, or the error text.
    std::string text;
    bool completed = false;
};

/// The slow half of a run, for a worker thread: runs XProtect's scans and waits for them.
RunOutcome runXProtectScans();

} // namespace scanbrook::reports
