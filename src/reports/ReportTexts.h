#pragma once

#include "platform/Clock.h"

#include <cstdint>
#include <string>
#include <string_view>

/// Every text that the scan reports show the user, in one place.
namespace scanbrook::reports {

/// The shortest and the longest period of a check, in days.
inline constexpr std::int64_t kMinPeriodDays = 1;
inline constexpr std::int64_t kMaxPeriodDays = 30;

/// `days` brought into kMinPeriodDays..kMaxPeriodDays.
std::int64_t clampPeriod(std::int64_t days);

/// The texts of one check, made from its period N in days.
struct CheckTexts {
    /// "XProtect Remediator scans completed in the last N days:\n\n" (one-day form for 1).
    std::string header;
    /// "No XProtect Remediator scan log messages found in the last N days." (one-day form).
    std::string noneFound;
    /// N followed by the letter d, for the log tool's "--last".
    std::string periodArgument;
};

/// The texts for a period already clamped with clampPeriod(); the one-day forms are used when
/// it is at most 1.
CheckTexts checkTexts(std::int64_t clampedDays);

/// The texts of the scan ledger's history of a period of N days (1 to 3650): the header
/// "XProtect Remediator scans recorded in the last N days:\n\n" and the none-found message
/// "No XProtect Remediator scans recorded in the last N days.", in their one-day forms for 1;
/// no period argument.
CheckTexts historyTexts(std::int64_t days);

/// "Reading the log… N events" (or "1 event"), N with a comma between groups of three digits:
/// the progress of a check while the log tool writes.
std::string readingProgressText(std::uint64_t entries);

/// "Error <status> when checking the log for XProtect Remediator scans."
std::string checkErrorLine(int status);

/// The outcome marker of a message that carries a marker of a clean scan: two spaces.
inline constexpr std::string_view kCleanMarker = "  ";
/// The outcome marker of any other message: U+26A0 WARNING SIGN and U+FE0F VARIATION
/// SELECTOR-16.
inline constexpr std::string_view kWarningMarker = "\xE2\x9A\xA0\xEF\xB8\x8F";

/// What a run appends to the console when the scanner exited with status 0.
inline constexpr std::string_view kRunCompletionNotice =
    "\n\nXProtect Remediator has completed scanning.\n"
    "To see the results, click on the Check XProtect button.\n";
static_assert(kRunCompletionNotice.size() == 102);

/// "\n\nError <status> when running XProtect Remediator scans.\n"
std::string runErrorText(int status);

/// What a check or a run appends to the console when the system could give its work no thread.
inline constexpr std::string_view kWorkNotStartedText =
    "\n\nScanbrook could not start this work: the system has no thread to spare. Please try "
    "again.\n";

/// The date of the last check as reports and file names show it: "yyyy-MM-dd'T'HH_mm_ssZZZZZ"
/// in the locale "en_US_POSIX" at GMT, for example 2024-03-05T09_41_07Z.
inline constexpr std::string_view kDateTextPattern = "yyyy-MM-dd'T'HH_mm_ssZZZZZ";
inline constexpr std::string_view kDateTextLocale = "en_US_POSIX";
inline constexpr std::string_view kDateTextTimeZone = "GMT";
std::string lastCheckDateText(platform::TimePoint runDate);

/// "\nScanned at " and the date text; the last line of a check report, without a line feed.
std::string closingLine(platform::TimePoint runDate);

/// "Scanbrook-" + date text + ".text": the name the save panel offers.
std::string defaultSaveName(platform::TimePoint runDate);

} // namespace scanbrook::reports
