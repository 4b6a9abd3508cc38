#pragma once

#include "platform/Clock.h"

#include <optional>
#include <string>
#include <string_view>

/// The log's timestamps as moments, and moments in the form other programs read. Pure.
namespace scanbrook::reports {

/// The moment of a log timestamp, "yyyy-MM-dd HH:mm:ss.SSSSSS+hhmm" (the zone also as
/// "+hh:mm" or "Z"; the fraction may have 0 to 9 digits and is kept to the microsecond).
/// nullopt for anything else, an impossible date or time of day included.
std::optional<platform::TimePoint> parseLogTimestamp(std::string_view timestamp);

/// `t` in RFC 3339 in UTC with microseconds: "2024-03-05T09:41:07.123456Z".
std::string utcText(platform::TimePoint t);

/// The RFC 3339 UTC form of a log timestamp; nullopt when it is not one.
std::optional<std::string> utcTextOfTimestamp(std::string_view timestamp);

} // namespace scanbrook::reports
