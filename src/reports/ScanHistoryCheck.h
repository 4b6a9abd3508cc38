#pragma once

#include "reports/CheckReport.h"
#include "reports/ReportTexts.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace scanbrook::reports {

/// Told how many log entries the tool has written so far.
using EntryCountObserver = std::function<void(std::uint64_t entries)>;

/// The least time between two calls of an EntryCountObserver: a figure that changes faster than
/// this cannot be read, and every call costs the window a hop to its main thread.
inline constexpr std::chrono::milliseconds kEntryCountInterval{250};

/// The slow half of a check, for a worker thread: runs the log tool for `texts`' period and
/// builds the report into `report`, which holds the header on entry; `observer`, when given,
/// is told of every report line. `onCount`, when set, is called on the same thread while the
/// output arrives, when the count of entries has changed and at least kEntryCountInterval after
/// the start or its previous call; never after this returns.
CheckSummary runLogQuery(const CheckTexts& texts, std::string& report,
                         ReportLineObserver* observer = nullptr,
                         const EntryCountObserver& onCount = {});

} // namespace scanbrook::reports
