#pragma once

namespace scanbrook::platform {

/// Brings the clock settings (Language & Region in System Settings) to the front and returns
/// once the request has been handed on. Every failure is ignored: this only helps the user
/// along. Where the platform has no such settings, nothing happens.
void openClockSettings();

} // namespace scanbrook::platform
