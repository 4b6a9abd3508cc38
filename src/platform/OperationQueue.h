#pragma once

#include "platform/TaskQueue.h"

#include <memory>

namespace scanbrook::platform {

/// A work queue that runs up to `maxConcurrent` operations at once, each on a thread of its
/// own. Destroying the queue never waits: operations still running finish on their own and
/// operations not yet started are dropped.
class OperationQueue final : public TaskQueue {
public:
    /// Starts `work` on a new detached thread; throws (std::system_error, std::bad_alloc) when
    /// the system has no thread to give.
    using ThreadStarter = std::function<void(std::function<void()> work)>;

    /// `startThread` is for tests that need thread creation to fail; by default a std::thread.
    explicit OperationQueue(int maxConcurrent, ThreadStarter startThread = nullptr);
    ~OperationQueue() override;
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    /// When no thread can be started, the operation waits for a running one to take it over;
    /// with none running it is refused (false), never run on the calling thread.
    bool addOperation(std::function<void()> operation) override;

    int maxConcurrentOperationCount() const;
    /// Operations started or waiting; for tests and for a clean exit.
    int operationCount() const;

private:
    struct State;
    static void runOperations(const std::shared_ptr<State>& state, std::function<void()> operation);

    std::shared_ptr<State> state_;
    ThreadStarter startThread_;
};

} // namespace scanbrook::platform
