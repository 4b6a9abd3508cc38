#include "window/BackgroundKeeping.h"

#include "agent/BackgroundAgent.h"

#include <utility>

namespace scanbrook {

BackgroundKeeping::BackgroundKeeping(std::shared_ptr<platform::TaskQueue> main,
                                     std::shared_ptr<platform::TaskQueue> work,
                                     std::string programPath)
    : mainQueue(std::move(main)), workQueue(std::move(work)), program(std::move(programPath)),
      self(std::make_shared<BackgroundKeeping*>(this)) {}

BackgroundKeeping::~BackgroundKeeping() = default;

void BackgroundKeeping::addListener(Listener listener) {
    listeners.push_back(std::move(listener));
}

void BackgroundKeeping::refresh() {
    run([] { return std::pair(agent::agentStatus().keeping(), std::string()); });
}

void BackgroundKeeping::setKeeping(bool keep) {
    run([keep, path = program] {
        const agent::Outcome outcome = keep ? agent::installAgent(path) : agent::removeAgent();
        const bool keeping = agent::agentStatus().keeping();
        return std::pair(keeping,
                         outcome.result == agent::Result::Done ? std::string() : outcome.message);
    });
}

void BackgroundKeeping::run(std::function<std::pair<bool, std::string>()> work) {
    if (working) {
        return;
    }
    working = true;
    const bool queued = workQueue->addOperation(
        [weakSelf = std::weak_ptr(self), queue = mainQueue, work = std::move(work)] {
            std::pair<bool, std::string> answered = work();
            queue->addOperation([weakSelf, answered = std::move(answered)] {
                if (const auto alive = weakSelf.lock()) {
                    (*alive)->answer(answered.first, answered.second);
                }
            });
        });
    if (!queued) {
        answer(kept, "Scanbrook could not start the work.");
    }
}

void BackgroundKeeping::answer(bool keeping, const std::string& failure) {
    working = false;
    kept = keeping;
    for (const Listener& listener : listeners) {
        listener(keeping, failure);
    }
}

} // namespace scanbrook
