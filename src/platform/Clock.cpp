#include "platform/Clock.h"

namespace scanbrook::platform {

namespace {

/// 1 January 2001 00:00:00 UTC, in seconds since the Unix epoch.
constexpr std::chrono::seconds kReferenceDate{978'307'200};

} // namespace

double secondsSinceReferenceDate(TimePoint t) {
    return std::chrono::duration<double>(t.time_since_epoch() - kReferenceDate).count();
}

} // namespace scanbrook::platform
