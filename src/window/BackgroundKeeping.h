#pragma once

#include "platform/TaskQueue.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scanbrook {

/// The window's side of the background agent: whether it keeps the history, and turning it on
/// or off as "scanbrook-cli agent install|remove" do, with launchctl run off the main thread.
/// Every member function runs on the main thread, and so do the listeners.
class BackgroundKeeping {
public:
    /// `program` is the command-line tool the agent is to run: the one in the application's
    /// own bundle.
    BackgroundKeeping(std::shared_ptr<platform::TaskQueue> mainQueue,
                      std::shared_ptr<platform::TaskQueue> workQueue, std::string program);
    ~BackgroundKeeping();
    BackgroundKeeping(const BackgroundKeeping&) = delete;
    BackgroundKeeping& operator=(const BackgroundKeeping&) = delete;

    /// Told whether the history is kept, after every answer; `failure` says what went wrong when
    /// a change failed (the state told is then the one that stayed), and is empty otherwise.
    using Listener = std::function<void(bool keeping, const std::string& failure)>;
    void addListener(Listener listener);

    /// Asks how the agent stands.
    void refresh();
    /// Installs (true) or removes (false) the agent.
    void setKeeping(bool keep);

    bool keeping() const { return kept; }
    bool busy() const { return working; }

private:
    void run(std::function<std::pair<bool, std::string>()> work);
    void answer(bool keeping, const std::string& failure);

    bool kept = false;
    bool working = false;
    std::vector<Listener> listeners;
    std::shared_ptr<platform::TaskQueue> mainQueue;
    std::shared_ptr<platform::TaskQueue> workQueue;
    const std::string program;
    std::shared_ptr<BackgroundKeeping*> self;
};

} // namespace scanbrook
