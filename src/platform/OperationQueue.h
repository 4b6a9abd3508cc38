#pragma once

#include "platform/TaskQueue.h"

#include <memory>

namespace scanbrook::platform {

/// A work queue that runs up to `maxConcurrent` operations at once, each on a thread of its
/// own. Destroying the queue never waits: operations still running finish on their own and
/// operations not yet started are dropped.
class OperationQueue final : public TaskQueue {
public:
    explicit OperationQueue(int maxConcurrent);
    ~OperationQueue() override;
    OperationQueue(const OperationQueue&) = delete;
    OperationQueue& operator=(const OperationQueue&) = delete;

    void addOperation(std::function<void()> operation) override;

    int maxConcurrentOperationCount() const;
    /// Operations started or waiting; for tests and for a clean exit.
    int operationCount() const;

private:
    struct State;
    static void runOperations(const std::shared_ptr<State>& state, std::function<void()> operation);

    std::shared_ptr<State> state_;
};

} // namespace scanbrook::platform
