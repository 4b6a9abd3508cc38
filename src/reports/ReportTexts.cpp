#include "reports/ReportTexts.h"

#include "platform/DateFormat.h"

#include <algorithm>

namespace scanbrook::reports {

std::int64_t clampPeriod(std::int64_t days) {
    return std::clamp(days, kMinPeriodDays, kMaxPeriodDays);
}

CheckTexts checkTexts(std::int64_t clampedDays) {
    const std::string days = std::to_string(clampedDays);
    CheckTexts texts;
    if (clampedDays <= 1) {
        texts.header = "XProtect Remediator scans completed in the last day:\n\n";
        texts.noneFound = "No XProtect Remediator scan log messages found in the last day.";
    } else {
        texts.header = "XProtect Remediator scans completed in the last " + days + " days:\n\n";
        texts.noneFound =
            "No XProtect Remediator scan log messages found in the last " + days + " days.";
    }
    texts.periodArgument = days + "d";
    return texts;
}

CheckTexts historyTexts(std::int64_t days) {
    const std::string period =
        days <= 1 ? std::string("the last day") : "the last " + std::to_string(days) + " days";
    CheckTexts texts;
    texts.header = "XProtect Remediator scans recorded in " + period + ":\n\n";
    texts.noneFound = "No XProtect Remediator scans recorded in " + period + ".";
    return texts;
}

std::string readingProgressText(std::uint64_t entries) {
    const std::string digits = std::to_string(entries);
    std::string text = "Reading the log\xE2\x80\xA6 ";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i != 0 && (digits.size() - i) % 3 == 0) {
            text += ',';
        }
        text += digits[i];
    }
    text += entries == 1 ? " event" : " events";
    return text;
}

std::string checkErrorLine(int status) {
    return "Error " + std::to_string(status) +
           " when checking the log for XProtect Remediator scans.";
}

std::string runErrorText(int status) {
    return "\n\nError " + std::to_string(status) + " when running XProtect Remediator scans.\n";
}

std::string lastCheckDateText(platform::TimePoint runDate) {
    return platform::formatDate(runDate, kDateTextPattern, kDateTextLocale, kDateTextTimeZone);
}

std::string closingLine(platform::TimePoint runDate) {
    return "\nScanned at " + lastCheckDateText(runDate);
}

std::string defaultSaveName(platform::TimePoint runDate) {
    return "Scanbrook-" + lastCheckDateText(runDate) + ".text";
}

} // namespace scanbrook::reports
