#pragma once

#include <chrono>

namespace scanbrook::platform {

using TimePoint = std::chrono::system_clock::time_point;

/// The present moment. Tests pin it; everything that records "now" asks a Clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual TimePoint now() const = 0;
};

class SystemClock final : public Clock {
public:
    TimePoint now() const override { return std::chrono::system_clock::now(); }
};

/// Seconds since 1 January 2001 00:00:00 UTC, the reference date of stored times.
double secondsSinceReferenceDate(TimePoint t);

} // namespace scanbrook::platform
