#pragma once

#include <string>

namespace scanbrook::reports {

/// Where the XProtect executable lies on this machine.
std::string xprotectExecutablePath();

/// Whether anything is at the XProtect executable's path; a press of the run button does
/// nothing otherwise.
bool xprotectInstalled();

struct RunOutcome {
    /// What the console gets: the completion notice, or the error text.
    std::string text;
    bool completed = false;
};

/// The slow half of a run, for a worker thread: runs XProtect's scans and waits for them.
RunOutcome runXProtectScans();

} // namespace scanbrook::reports
