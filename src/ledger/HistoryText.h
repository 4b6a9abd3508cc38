#pragma once

#include "ledger/Ledger.h"
#include "reports/ScanSummary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The texts of the ledger's history of a period, one place for scanbrook-cli and the window's
/// History, so both say the same, byte for byte.
namespace scanbrook::ledger {

/// The report of `days` days read at `runDate` from `period` (its report lines in `lines`): the
/// header, a line saying from when the ledger holds history when the period reaches back before
/// it, the lines or the none-found message, and the closing line; or the read's problem.
std::string historyReport(std::int64_t days, const PeriodResult& period, std::string_view lines,
                          platform::TimePoint runDate);

/// "No scans found since <date>, when history begins" when the ledger holds no scan in a
/// period that begins before its history; nullopt when the usual verdict line says it all.
std::optional<std::string> historyVerdictLine(const reports::ScanSummary& scans,
                                              const PeriodResult& period);

/// What the main window's summary line adds after a check of `days` days read at `readAt`:
/// "history kept since <date>" (from when the ledger holds history); and, when the check's oldest
/// event is much younger than the period's start (the log has forgotten the rest) while the
/// ledger holds older history, "the log holds scans only since <date>; History (⌘Y) has older
/// ones". Empty when the ledger holds no history.
std::string ledgerReachNote(std::optional<std::int64_t> sinceMicros,
                            std::optional<std::int64_t> oldestCheckedMicros, std::int64_t days,
                            platform::TimePoint readAt);

} // namespace scanbrook::ledger
