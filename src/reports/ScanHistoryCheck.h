#pragma once

#include "reports/CheckReport.h"
#include "reports/ReportTexts.h"

#include <string>

namespace scanbrook::reports {

/// The slow half of a check, for a worker thread: runs the log tool for `texts`' period and
/// builds the report into `report`, which holds the header on entry; `observer`, when given,
/// is told of every report line.
CheckSummary runLogQuery(const CheckTexts& texts, std::string& report,
                         ReportLineObserver* observer = nullptr);

} // namespace scanbrook::reports
