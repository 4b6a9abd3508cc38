#pragma once

#include "platform/Clock.h"
#include "platform/LogJson.h"
#include "platform/Process.h"
#include "reports/CheckReport.h"
#include "reports/ScanOutcome.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// What a check says about whether the scans ran, when last, and what they found: one record
/// per scanner, the class of every event counted, the paths of findings, a verdict and a
/// status, made from the same parse as the report.
namespace scanbrook::reports {

enum class Verdict {
    Clean,     ///< object elements found, none with the warning marker
    Warnings,  ///< at least one element with the warning marker
    NoScans,   ///< the log was read and holds no object element
    LogFailed, ///< the tool failed or did not start, or its output is no JSON array
};

/// The verdict refined by what the events were, the gravest first:
/// log_failed, threat_found, threat_remediated, no_scans, stale, scan_problems, clean.
enum class SummaryStatus {
    LogFailed,
    ThreatFound,
    ThreatRemediated,
    NoScans,
    Stale,
    ScanProblems,
    Clean
};

/// The events of each class, indexed by ScanClass.
using ClassCounts = std::array<std::size_t, kScanClasses>;

/// A newest scan older than this many hours makes the summary stale.
inline constexpr std::int64_t kDefaultStaleHours = 48;
/// At most this many findings are listed.
inline constexpr std::size_t kMaxFindings = 50;

/// A path that an event named with a threat found or removed.
struct Finding {
    std::string scanner;
    /// The event's full "timestamp"; nullopt when it has none.
    std::optional<std::string> timestamp;
    ScanClass scanClass = ScanClass::ThreatFound;
    /// Empty only for a removal whose event named no path.
    std::string path;
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
    ClassCounts counts{};
    /// The class of its last element.
    ScanClass lastClass = ScanClass::Clean;
    /// The gravest class among its elements.
    ScanClass gravest = ScanClass::Clean;
    /// Where its elements stand among the report's event lines (0 for the first line after
    /// the header), in report order.
    std::vector<std::size_t> reportLines;
};

/// When the summary is made, and how old its newest scan may be.
struct SummaryMoment {
    /// nullopt: nothing is ever stale.
    std::optional<platform::TimePoint> now;
    std::int64_t staleHours = kDefaultStaleHours;
};

struct ScanSummary {
    Verdict verdict = Verdict::LogFailed;
    SummaryStatus status = SummaryStatus::LogFailed;
    /// The full "timestamp" of the last object element; nullopt when there is none or it has
    /// no timestamp.
    std::optional<std::string> newestEvent;
    /// Object elements, and those of them with the warning marker.
    std::size_t runs = 0;
    std::size_t warnings = 0;
    ClassCounts counts{};
    /// Distinct (scanner, class, path) findings, oldest first, each with its newest time; at
    /// most kMaxFindings, the rest counted in findingsLeftOut.
    std::vector<Finding> findings;
    std::size_t findingsLeftOut = 0;
    /// The newest threat found and not removed, with the first path its event named.
    std::optional<Finding> newestThreat;
    /// The newest removal.
    std::optional<Finding> newestRemoval;
    /// Hours from the newest scan that has a readable time to the summary's moment; nullopt
    /// without either.
    std::optional<double> hoursSinceLastScan;
    std::int64_t staleHours = kDefaultStaleHours;
    /// Whether the newest scan is more than staleHours older than the summary's moment.
    bool stale = false;
    /// In UTF-8 byte order of their names.
    std::vector<ScannerSummary> scanners;
};

/// The scanner's name of a sender path: its last path component, with a leading
/// "XProtectRemediator" dropped and no column cut. "" without a path.
std::string_view scannerName(std::optional<std::string_view> senderImagePath);

/// Collects the summary while the report is built: pass it as the report builder's observer,
/// then finish() with what the builder returned. Only messages that do not pass as clean are
/// parsed, so a month of clean scans costs no parse beyond the report's.
class ScanSummaryBuilder final : public ReportLineObserver {
public:
    void reportLine(const platform::LogEntry& entry, bool warning) override;
    ScanSummary finish(const CheckSummary& check, const SummaryMoment& moment = {}) const;

private:
    struct Scanner {
        std::size_t runs = 0;
        std::size_t warnings = 0;
        bool hasLastRun = false;
        std::string lastRun;
        bool hasLastMessage = false;
        bool lastWarning = false;
        /// Kept as text: only the last message of each scanner is parsed for its status.
        std::string lastMessage;
        ClassCounts counts{};
        ScanClass lastClass = ScanClass::Clean;
        ScanClass gravest = ScanClass::Clean;
        std::vector<std::size_t> lines;
    };
    void addFindings(std::string_view scanner, const std::optional<std::string_view>& timestamp,
                     const EventOutcome& outcome);

    std::map<std::string, Scanner, std::less<>> scanners;
    bool hasNewest = false;
    std::string newest;
    std::size_t runs = 0;
    std::size_t warnings = 0;
    ClassCounts counts{};
    std::vector<Finding> findings;
    std::size_t findingsLeftOut = 0;
    std::optional<Finding> newestThreat;
    std::optional<Finding> newestRemoval;
    /// The latest readable time among all elements.
    std::optional<platform::TimePoint> newestScan;
};

/// The summary of a log tool's result on its own (the report it shares a parse with is made
/// and dropped).
ScanSummary summarizeScans(const platform::CommandResult& result, const SummaryMoment& moment = {});

/// "clean", "warnings", "no_scans" or "log_failed".
std::string_view verdictName(Verdict verdict);
/// "log_failed", "threat_found", "threat_remediated", "no_scans", "stale", "scan_problems" or
/// "clean".
std::string_view statusName(SummaryStatus status);
/// "clean", "warning", or nullopt for a last element without a message.
std::optional<std::string_view> resultName(const std::optional<bool>& warning);

/// The summary in one line of words, for a check of `clampedDays` days: the gravest thing
/// first, then the other things worth knowing, separated by "; ".
std::string verdictLine(const ScanSummary& summary, std::int64_t clampedDays);

/// The command line's text: the verdict line, a table with one row per scanner and a row of
/// totals in aligned columns, then the findings.
std::string summaryText(const ScanSummary& summary, std::int64_t clampedDays);

/// The first 23 characters of a timestamp: the time a report line shows.
std::string_view reportTime(std::string_view timestamp);

} // namespace scanbrook::reports
