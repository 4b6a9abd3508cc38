#pragma once

// In-memory stand-ins for the platform's user-interface and system services, so the window's
// logic runs without a toolkit.

#include "platform/Clock.h"
#include "platform/TaskQueue.h"
#include "platform/Ui.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace scanbrook::test {

class FakeDefaults final : public platform::UserDefaults {
public:
    using Value = std::variant<double, std::int64_t, bool, std::string>;
    std::map<std::string, Value, std::less<>> values;

    /// Reads like the platform's store: a number of either kind as a double, 0 for anything else.
    double doubleForKey(std::string_view key) const override {
        if (const auto* i = find<std::int64_t>(key)) {
            return static_cast<double>(*i);
        }
        const auto* d = find<double>(key);
        return d != nullptr ? *d : 0.0;
    }
    std::int64_t integerForKey(std::string_view key) const override {
        const auto* i = find<std::int64_t>(key);
        return i != nullptr ? *i : 0;
    }
    bool boolForKey(std::string_view key) const override {
        const auto* b = find<bool>(key);
        return b != nullptr && *b;
    }
    void setDouble(double value, std::string_view key) override {
        values.insert_or_assign(std::string(key), value);
    }
    void setInteger(std::int64_t value, std::string_view key) override {
        values.insert_or_assign(std::string(key), value);
    }

private:
    template <class T> const T* find(std::string_view key) const {
        const auto it = values.find(key);
        return it == values.end() ? nullptr : std::get_if<T>(&it->second);
    }
};

class FakeClock final : public platform::Clock {
public:
    platform::TimePoint time{};
    platform::TimePoint now() const override { return time; }
};

class FakeApplication final : public platform::Application {
public:
    int terminations = 0;
    void terminate() override { ++terminations; }
};

/// A queue that runs nothing until the test says so; safe to fill from worker threads.
class ManualQueue final : public platform::TaskQueue {
public:
    void addOperation(std::function<void()> operation) override {
        {
            const std::lock_guard lock(mutex_);
            operations_.push_back(std::move(operation));
        }
        added_.notify_all();
    }
    /// Runs what is queued now (and what those operations queue in turn); returns the count.
    int runAll() {
        int count = 0;
        for (;;) {
            std::function<void()> operation;
            {
                const std::lock_guard lock(mutex_);
                if (operations_.empty()) {
                    return count;
                }
                operation = std::move(operations_.front());
                operations_.pop_front();
            }
            operation();
            ++count;
        }
    }
    /// Waits until at least `count` operations are queued (for work done on other threads).
    bool waitFor(std::size_t count, std::chrono::milliseconds limit) {
        std::unique_lock lock(mutex_);
        return added_.wait_for(lock, limit, [&] { return operations_.size() >= count; });
    }
    std::size_t size() const {
        const std::lock_guard lock(mutex_);
        return operations_.size();
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable added_;
    std::deque<std::function<void()>> operations_;
};

class FakeTextField final : public platform::TextField {
public:
    std::string text;
    std::string stringValue() const override { return text; }
    void setStringValue(std::string_view value) override { text = value; }
};

/// Holds its value within 1 to 30, as the window's stepper does.
class FakeStepper final : public platform::Stepper {
public:
    std::int64_t value = 1;
    std::int64_t minimum = 1;
    std::int64_t maximum = 30;
    std::int64_t integerValue() const override { return value; }
    void setIntegerValue(std::int64_t v) override { value = std::clamp(v, minimum, maximum); }
};

/// Keeps the font size of every character, so tests can see re-fonting and appends.
class FakeConsole final : public platform::Console {
public:
    std::string text;
    std::vector<double> sizes; // one per byte
    int refonts = 0;

    void replaceText(std::string_view utf8, double fontSize) override {
        text = utf8;
        sizes.assign(utf8.size(), fontSize);
    }
    void appendText(std::string_view utf8, double fontSize) override {
        text += utf8;
        sizes.insert(sizes.end(), utf8.size(), fontSize);
    }
    void refont(double fontSize) override {
        ++refonts;
        std::fill(sizes.begin(), sizes.end(), fontSize);
    }
    std::string plainText() const override { return text; }
};

class FakeSpinner final : public platform::Spinner {
public:
    bool hidden = false;
    bool animating = false;
    bool threaded = false;
    void setHidden(bool h) override { hidden = h; }
    void setUsesThreadedAnimation(bool t) override { threaded = t; }
    void startAnimation() override { animating = true; }
    void stopAnimation() override { animating = false; }
};

class FakeWindow final : public platform::Window {
public:
    platform::WindowDelegate* delegate = nullptr;
    std::string title;
    void setDelegate(platform::WindowDelegate* d) override { delegate = d; }
    void setTitle(std::string_view t) override { title = t; }
};

class FakeSavePanel final : public platform::SavePanel {
public:
    std::optional<platform::SaveRequest> request;
    std::function<void(std::optional<std::string>)> completion;
    void begin(const platform::SaveRequest& r,
               std::function<void(std::optional<std::string>)> c) override {
        request = r;
        completion = std::move(c);
    }
};

/// Records every alert; `answer` decides what the user pressed (the first button by default)
/// and may look at the world as it is while the alert is up.
class FakeAlertPresenter final : public platform::AlertPresenter {
public:
    std::vector<platform::AlertRequest> shown;
    std::function<int(const platform::AlertRequest&)> answer;

    int runModal(const platform::AlertRequest& request) override {
        shown.push_back(request);
        return answer ? answer(request) : kFirstButton;
    }
};

/// A Help menu holding one item, titled as the main menu's layout titles it.
class FakeHelpMenu final : public platform::HelpMenu {
public:
    std::string itemTitle = "Update not checked";
    bool itemChecked = false;
    int requests = 0;

    void checkAndRetitleItem(std::string_view title, std::string_view newTitle) override {
        ++requests;
        if (itemTitle == title) {
            itemChecked = true;
            itemTitle = newTitle;
        }
    }
};

class FakeUrlOpener final : public platform::UrlOpener {
public:
    std::vector<std::string> opened;
    void openUrl(const std::string& url) override { opened.push_back(url); }
};

} // namespace scanbrook::test
