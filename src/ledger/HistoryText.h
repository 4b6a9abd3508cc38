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

} // namespace scanbrook::ledger
