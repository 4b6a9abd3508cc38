#pragma once

#include "platform/Ui.h"
#include "protection/ProtectionStatus.h"
#include "reports/ScanSummary.h"

#include <cstdint>

namespace scanbrook {

/// What every summary panel shows of `summary` for a period of `days`: the verdict line, its
/// tone, one row per scanner, and XProtect's own state when `protection` is given.
platform::SummaryDisplay summaryDisplay(const reports::ScanSummary& summary,
                                        const protection::ProtectionStatus* protection,
                                        std::int64_t days);

} // namespace scanbrook
