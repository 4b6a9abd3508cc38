#pragma once

#include "platform/Clock.h"

#include <optional>
#include <string>
#include <string_view>

/// Dates written and read with Unicode date patterns, in a fixed locale (ICU).
namespace scanbrook::platform {

/// `t` written with `pattern` in `locale`, in the time zone `timeZoneId` ("GMT", or empty for
/// the user's current zone).
std::string formatDate(TimePoint t, std::string_view pattern, std::string_view locale,
                       std::string_view timeZoneId);

/// Parses the whole of `text` with `pattern` in `locale` and `timeZoneId` (empty for the
/// user's current zone), not leniently: out-of-range fields (month 13, 30 February) and
/// mismatched literals fail. nullopt unless every character was consumed, and for a date a
/// TimePoint cannot hold. As with the platform's formatter, a numeric field may have another
/// number of digits than its pattern letters, and whitespace in front of a field is skipped.
std::optional<TimePoint> parseDate(std::string_view text, std::string_view pattern,
                                   std::string_view locale, std::string_view timeZoneId);

} // namespace scanbrook::platform
