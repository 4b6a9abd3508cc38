#pragma once

#include <functional>

namespace scanbrook::platform {

/// A place to run work: the main (UI) thread's queue, or a pool of worker threads.
class TaskQueue {
public:
    virtual ~TaskQueue() = default;
    /// Runs `operation` later, never inside this call. Safe to call from any thread. False when
    /// it will never run (a pool that can start no thread and has none running to take it over);
    /// the caller then reports the failure.
    virtual bool addOperation(std::function<void()> operation) = 0;
};

} // namespace scanbrook::platform
