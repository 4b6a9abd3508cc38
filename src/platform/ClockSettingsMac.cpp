#include "platform/ClockSettings.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <string>

namespace scanbrook::platform {

void openClockSettings() {
    // The settings' own address, opened by Launch Services: no Apple events, so no Automation
    // prompt, and it works on every System Settings (which no longer answers to the old
    // preference pane ids). Through the platform root, so that a test program on a Mac (see
    // TestSeam.h) never drives the real System Settings; the shipped application has no root
    // and runs the real tool.
    (void)runCommand(platformPath(mac::kOpenTool), {std::string(mac::kClockSettingsUrl)});
}

} // namespace scanbrook::platform
