#pragma once

#include "platform/Process.h"

#include <string>

/// The scan run's notice, built from how the scanner ended. Pure: the window and the command
/// line share it.
namespace scanbrook::reports {

/// kRunCompletionNotice when the scanner exited with status 0; otherwise
/// "\n\nError <status> when running XProtect Remediator scans.\n", followed, when it could not
/// be started, by its start failure text and "\n". A scanner that did not run is never
/// reported as having completed.
std::string runReportText(const platform::CommandResult& result);

/// Whether the scanner ran and exited with status 0.
bool runCompleted(const platform::CommandResult& result);

} // namespace scanbrook::reports
