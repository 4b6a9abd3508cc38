#include "platform/ClockSettings.h"

namespace scanbrook::platform {

// Other systems have no System Settings to open: there is nothing to do.
void openClockSettings() {}

} // namespace scanbrook::platform
