#include "platform/AppleScript.h"

namespace scanbrook::platform {

// Other systems have no System Preferences to open: there is nothing to run.
void runAppleScript(const std::string& /*source*/) {}

} // namespace scanbrook::platform
