#pragma once

#include "platform/LogJson.h"
#include "platform/Process.h"
#include "reports/ReportTexts.h"

#include <cstddef>
#include <string>
#include <string_view>

/// The scan-history check's report, built from what the log tool gave back. Pure: the window and
/// the command line share it.
namespace scanbrook::reports {

enum class CheckOutcome {
    Lines,      ///< the output was a non-empty JSON array: one line per object element appended
    NoneFound,  ///< the output was an empty JSON array: the report is the none-found message
    NoArray,    ///< the output was not JSON, or JSON but not an array: the report is untouched
    ToolFailed, ///< non-zero status, killed by a signal, or not started: the report is the error
};

struct CheckSummary {
    CheckOutcome outcome = CheckOutcome::NoArray;
    /// The report lines appended (object elements).
    std::size_t lines = 0;
    /// Whether any appended line got the warning marker.
    bool anyWarning = false;
    /// How the tool ended: its exit status, 128 + the signal that killed it, or the status of a
    /// start failure (127, 126).
    int toolStatus = 0;
};

/// Told of each report line as it is appended, with the entry it was made from, so that what
/// else a check makes of the log tool's output (the scan summary, the JSON events) comes from
/// the same single parse.
class ReportLineObserver {
public:
    virtual ~ReportLineObserver() = default;
    /// `warning`: whether the line got the warning marker. The entry's views live until return.
    virtual void reportLine(const platform::LogEntry& entry, bool warning) = 0;
};

/// `report` holds the header (texts.header) on entry. Depending on `result` it is replaced by
/// the error line (followed by "\n" and the start failure text when the tool did not start),
/// replaced by the none-found message, left as it is, or has one line appended per object
/// element of the output's array, in order. The closing line is not added here. `observer`,
/// when given, is told of every appended line.
CheckSummary buildCheckReport(std::string& report, const CheckTexts& texts,
                              const platform::CommandResult& result,
                              ReportLineObserver* observer = nullptr);

/// The same for a result that is not needed afterwards: its output is let go (left empty) as
/// soon as it has been parsed into the report's lines, so that a month of log output, its
/// parsed form and the report are never held all at once. It may be left empty in any case.
CheckSummary buildCheckReport(std::string& report, const CheckTexts& texts,
                              platform::CommandResult&& result,
                              ReportLineObserver* observer = nullptr);

/// Appends the report line of one object element: the first 23 characters of "timestamp", two
/// spaces, the sender name, the outcome marker and "eventMessage" (both only when the message
/// is present), "\n". Appends nothing for an element that is not an object. Returns true when
/// the line got the warning marker.
bool appendReportLine(std::string& out, const platform::LogEntry& entry);

/// Whether `message` carries one of the markers of a clean scan, byte for byte:
/// "NoThreatDetected", "status_code\":20" or "status_code\":0,".
bool hasCleanScanMarker(std::string_view message);

} // namespace scanbrook::reports
