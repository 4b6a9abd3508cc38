#pragma once

#include "platform/Ui.h"
#include "reports/ScanSummary.h"

#include <vector>

namespace scanbrook {

/// The summary table's rows of `summary`, one per scanner, as every summary panel shows them.
std::vector<platform::SummaryRow> summaryRows(const reports::ScanSummary& summary);

} // namespace scanbrook
