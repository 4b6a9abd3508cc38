#pragma once

#include "platform/LogJson.h"
#include "platform/Process.h"
#include "reports/CheckReport.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What a check says about whether the scans ran, when last, and whether any found something:
/// one record per scanner and a verdict, made from the same parse as the report.
namespace scanbrook::reports {

enum class Verdict {
    Clean,     ///< object elements found, none with the warning marker
    Warnings,  ///< at least one element with the warning marker
    NoScans,   ///< the log was read and holds no object element
    LogFailed, ///< the tool failed or did not start, or its output is no JSON array
};

struct ScannerSummary {
    /// The scanner's name (scannerName()); "" for elements without a sender.
    std::string name;
    std::size_t runs = 0;
    /// The full "timestamp" of its last element; nullopt when that element has none.
    std::optional<std::string> lastRun;
    /// Whether its last element got the warning marker; nullopt when it has no message.
    std::optional<bool> lastWarning;
    /// The string "status_message" of its last element's message, when that message is a JSON
    /// object with one.
    std::optional<std::string> lastStatus;
    /// Its elements with the warning marker.
    std::size_t warnings = 0;
};

struct ScanSummary {
    Verdict verdict = Verdict::LogFailed;
    /// The full "timestamp" of the last object element; nullopt when there is none or it has
    /// no timestamp.
    std::optional<std::string> newestEvent;
    /// Object elements, and those of them with the warning marker.
    std::size_t runs = 0;
    std::size_t warnings = 0;
    /// In UTF-8 byte order of their names.
    std::vector<ScannerSummary> scanners;
};

/// The scanner's name of a sender path: its last path component, with a leading
/// "XProtectRemediator" dropped and no column cut. "" without a path.
std::string_view scannerName(std::optional<std::string_view> senderImagePath);

/// Collects the summary while the report is built: pass it as the report builder's observer,
/// then finish() with what the builder returned.
class ScanSummaryBuilder final : public ReportLineObserver {
public:
    void reportLine(const platform::LogEntry& entry, bool warning) override;
    ScanSummary finish(const CheckSummary& check) const;

private:
    struct Scanner {
        std::size_t runs = 0;
        std::size_t warnings = 0;
        bool hasLastRun = false;
        std::string lastRun;
        bool hasLastMessage = false;
        bool lastWarning = false;
        /// Kept as text: only the last message of each scanner is ever parsed.
        std::string lastMessage;
    };
    std::map<std::string, Scanner, std::less<>> scanners;
    bool hasNewest = false;
    std::string newest;
    std::size_t runs = 0;
    std::size_t warnings = 0;
};

/// The summary of a log tool's result on its own (the report it shares a parse with is made
/// and dropped).
ScanSummary summarizeScans(const platform::CommandResult& result);

/// "clean", "warnings", "no_scans" or "log_failed".
std::string_view verdictName(Verdict verdict);
/// "clean", "warning", or nullopt for a last element without a message.
std::optional<std::string_view> resultName(const std::optional<bool>& warning);

/// The summary in one line of words, for a check of `clampedDays` days.
std::string verdictLine(const ScanSummary& summary, std::int64_t clampedDays);

/// The command line's text: the verdict line, then one line per scanner.
std::string summaryText(const ScanSummary& summary, std::int64_t clampedDays);

/// The first 23 characters of a timestamp: the time a report line shows.
std::string_view reportTime(std::string_view timestamp);

} // namespace scanbrook::reports
