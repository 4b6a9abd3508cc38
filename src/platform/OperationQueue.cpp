#include "platform/OperationQueue.h"

#include <deque>
#include <mutex>
#include <thread>
#include <utility>

namespace scanbrook::platform {

struct OperationQueue::State {
    explicit State(int max) : maxConcurrent(max < 1 ? 1 : max) {}

    std::mutex mutex;
    std::deque<std::function<void()>> pending;
    /// Threads asked for or running, up to maxConcurrent.
    int running = 0;
    /// Threads that have begun to run operations: each looks at what waits before it ends.
    int started = 0;
    const int maxConcurrent;
    bool closed = false;
};

void OperationQueue::runOperations(const std::shared_ptr<State>& state,
                                   std::function<void()> operation) {
    {
        const std::lock_guard lock(state->mutex);
        ++state->started;
    }
    for (;;) {
        try {
            operation();
        } catch (...) {
            // An operation reports its own failures through its completion; one that throws
            // anyway must not take the whole application down with it.
        }
        const std::lock_guard lock(state->mutex);
        if (state->closed || state->pending.empty()) {
            --state->running;
            --state->started;
            return;
        }
        operation = std::move(state->pending.front());
        state->pending.pop_front();
    }
}

OperationQueue::OperationQueue(int maxConcurrent, ThreadStarter startThread)
    : state_(std::make_shared<State>(maxConcurrent)), startThread_(std::move(startThread)) {
    if (!startThread_) {
        startThread_ = [](std::function<void()> work) { std::thread(std::move(work)).detach(); };
    }
}

OperationQueue::~OperationQueue() {
    // Never wait here: closing the window must not hang on a log query that takes minutes.
    // Threads still running keep the state alive and end by themselves.
    const std::lock_guard lock(state_->mutex);
    state_->closed = true;
    state_->pending.clear();
}

bool OperationQueue::addOperation(std::function<void()> operation) {
    // Held in shared ownership so that the operation survives a failure to start the thread;
    // allocated before a worker is counted, so that running out of memory here counts none.
    auto task = std::make_shared<std::function<void()>>(std::move(operation));
    std::unique_lock lock(state_->mutex);
    if (state_->closed) {
        return false;
    }
    if (state_->running >= state_->maxConcurrent) {
        state_->pending.push_back(std::move(*task));
        return true;
    }
    ++state_->running;
    lock.unlock();
    try {
        startThread_([state = state_, task] { runOperations(state, std::move(*task)); });
        return true;
    } catch (...) {
        // Whatever failed (no thread, no memory for one), the worker counted above never runs:
        // a count left behind would keep the queue full for good.
        lock.lock();
        --state_->running;
        // A worker that has begun looks at what waits before it ends (under this lock), so it
        // will take the operation over. With none, nothing might ever (another caller's thread
        // may fail to start too): refuse it rather than leave it waiting for a later press or
        // run it on the calling (main) thread.
        if (state_->started == 0) {
            return false;
        }
        state_->pending.push_back(std::move(*task));
        return true;
    }
}

int OperationQueue::maxConcurrentOperationCount() const {
    return state_->maxConcurrent;
}

int OperationQueue::operationCount() const {
    const std::lock_guard lock(state_->mutex);
    return state_->running + static_cast<int>(state_->pending.size());
}

} // namespace scanbrook::platform
