#pragma once

#include "platform/TaskQueue.h"

#include <memory>

class QObject;

namespace scanbrook::platform {

/// The main (UI) thread's queue: operations added from any thread run later on the thread
/// that made the queue, from its event loop. Workers share it, so it outlives the window;
/// once closed it drops every operation, queued or new.
class MainQueue final : public TaskQueue {
public:
    /// Make it on the main thread, after the QApplication.
    MainQueue();
    ~MainQueue() override;
    MainQueue(const MainQueue&) = delete;
    MainQueue& operator=(const MainQueue&) = delete;

    bool addOperation(std::function<void()> operation) override;
    /// From now on nothing runs; safe from any thread, and more than once.
    void close();

private:
    struct State;
    std::shared_ptr<State> state;
};

} // namespace scanbrook::platform
