#pragma once

#include <string>

namespace scanbrook::platform {

/// Runs AppleScript source and waits until it has finished. Every failure is ignored: the
/// script only helps the user along. Where the platform has no AppleScript, nothing runs.
void runAppleScript(const std::string& source);

} // namespace scanbrook::platform
