#include "platform/qt/MainQueue.h"

#include <QObject>
#include <QThread>

#include <mutex>
#include <utility>

namespace scanbrook::platform {

struct MainQueue::State {
    std::mutex mutex;
    bool open = true;
    /// Lives on the main thread; its queued calls run there. Null once closed.
    QObject* receiver = nullptr;
    /// An operation is running (main thread only).
    bool running = false;

    bool isOpen() {
        const std::lock_guard lock(mutex);
        return open;
    }
};

MainQueue::MainQueue() : state(std::make_shared<State>()) {
    state->receiver = new QObject;
}

MainQueue::~MainQueue() {
    close();
}

bool MainQueue::addOperation(std::function<void()> operation) {
    const std::lock_guard lock(state->mutex);
    if (!state->open) {
        return false;
    }
    // The queued call may still be waiting when the queue closes, so it checks again.
    QMetaObject::invokeMethod(
        state->receiver,
        [shared = state, work = std::move(operation)] {
            if (shared->isOpen() && work) {
                shared->running = true;
                work();
                shared->running = false;
            }
        },
        Qt::QueuedConnection);
    return true;
}

void MainQueue::close() {
    QObject* receiver = nullptr;
    {
        const std::lock_guard lock(state->mutex);
        if (!state->open) {
            return;
        }
        state->open = false;
        receiver = std::exchange(state->receiver, nullptr);
    }
    // Deleting the receiver discards its waiting calls and whatever they hold, outside the lock
    // since that may add operations. From another thread, or from inside one of its own calls,
    // it can only be deleted later.
    if (QThread::currentThread() == receiver->thread() && !state->running) {
        delete receiver;
    } else {
        receiver->deleteLater();
    }
}

} // namespace scanbrook::platform
