#pragma once

#include <string>

namespace scanbrook::reports {

/// Where the XProtect executable lies on this machine.
std::string xprotectExecutablePath();

/// Whether anything is at the XProtect executable's path; a press of the run button does
/// nothing otherwise.
bool xprotectInstalled();

/// The slow half of a run, for a worker thread: runs XProtect's scans and waits for them.
/// Returns the text to append to the console: the completion notice, or the error text.
std::string runXProtectScans();

} // namespace scanbrook::reports
