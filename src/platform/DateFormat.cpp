#include "platform/DateFormat.h"

#include "platform/Text.h"

#include <unicode/locid.h>
#include <unicode/parsepos.h>
#include <unicode/smpdtfmt.h>
#include <unicode/stringpiece.h>
#include <unicode/timezone.h>
#include <unicode/udat.h>
#include <unicode/unistr.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>

namespace scanbrook::platform {

namespace {

icu::UnicodeString fromUtf8(std::string_view text) {
    return icu::UnicodeString::fromUTF8(
        icu::StringPiece(text.data(), static_cast<std::int32_t>(text.size())));
}

/// A formatter for `pattern`, taken verbatim, in `locale` and the zone `timeZoneId` (the
/// user's current zone when empty); null when ICU refuses the pattern or the locale.
std::unique_ptr<icu::SimpleDateFormat>
makeFormatter(std::string_view pattern, std::string_view locale, std::string_view timeZoneId) {
    UErrorCode status = U_ZERO_ERROR;
    const std::string localeId(locale);
    auto formatter = std::make_unique<icu::SimpleDateFormat>(fromUtf8(pattern),
                                                             icu::Locale(localeId.c_str()), status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    // The user's zone is looked up afresh each time, so that a change of it is followed. An
    // unknown zone identifier gives ICU's "Etc/Unknown", which lies at GMT.
    formatter->adoptTimeZone(timeZoneId.empty()
                                 ? icu::TimeZone::detectHostTimeZone()
                                 : icu::TimeZone::createTimeZone(fromUtf8(timeZoneId)));
    return formatter;
}

UDate toUDate(TimePoint t) {
    return std::chrono::duration<double, std::milli>(t.time_since_epoch()).count();
}

/// The time point of an ICU date; nullopt for one beyond what a TimePoint holds (some
/// centuries either side of 1970).
std::optional<TimePoint> fromUDate(UDate milliseconds) {
    using Milliseconds = std::chrono::duration<double, std::milli>;
    const double limit =
        std::chrono::duration_cast<Milliseconds>(TimePoint::duration::max()).count();
    if (!std::isfinite(milliseconds) || std::fabs(milliseconds) >= limit) {
        return std::nullopt;
    }
    return TimePoint(std::chrono::duration_cast<TimePoint::duration>(Milliseconds(milliseconds)));
}

} // namespace

std::string formatDate(TimePoint t, std::string_view pattern, std::string_view locale,
                       std::string_view timeZoneId) {
    const auto formatter = makeFormatter(pattern, locale, timeZoneId);
    if (!formatter) {
        return {};
    }
    icu::UnicodeString text;
    formatter->format(toUDate(t), text);
    std::string utf8;
    text.toUTF8String(utf8);
    return utf8;
}

std::optional<TimePoint> parseDate(std::string_view text, std::string_view pattern,
                                   std::string_view locale, std::string_view timeZoneId) {
    if (!isValidUtf8(text)) {
        return std::nullopt;
    }
    const auto formatter = makeFormatter(pattern, locale, timeZoneId);
    if (!formatter) {
        return std::nullopt;
    }
    // Strict: no out-of-range fields, literals matched whole, and no falling back to other
    // patterns. Like the platform's own formatter, ICU still lets a numeric field have more or
    // fewer digits than its pattern letters and skips whitespace in front of a field.
    formatter->setLenient(false);
    UErrorCode status = U_ZERO_ERROR;
    formatter->setBooleanAttribute(UDAT_PARSE_ALLOW_WHITESPACE, false, status);
    formatter->setBooleanAttribute(UDAT_PARSE_ALLOW_NUMERIC, false, status);
    formatter->setBooleanAttribute(UDAT_PARSE_PARTIAL_LITERAL_MATCH, false, status);
    formatter->setBooleanAttribute(UDAT_PARSE_MULTIPLE_PATTERNS_FOR_MATCH, false, status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    const icu::UnicodeString input = fromUtf8(text);
    icu::ParsePosition position(0);
    const UDate parsed = formatter->parse(input, position);
    if (position.getErrorIndex() >= 0 || position.getIndex() != input.length()) {
        return std::nullopt;
    }
    return fromUDate(parsed);
}

} // namespace scanbrook::platform
