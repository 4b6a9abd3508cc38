#pragma once

#include <functional>

namespace scanbrook::platform {

/// A place to run work: the main (UI) thread's queue, or a pool of worker threads.
class TaskQueue {
public:
    virtual ~TaskQueue() = default;
    /// Runs `operation` later, never inside this call. Safe to call from any thread.
    virtual void addOperation(std::function<void()> operation) = 0;
};

} // namespace scanbrook::platform
