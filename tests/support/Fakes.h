#pragma once

// In-memory stand-ins for the platform's user-interface and system services, so the window's
// logic runs without a toolkit.

#include "platform/Clock.h"
#include "platform/TaskQueue.h"
#include "platform/Ui.h"
#include "platform/UserDefaults.h"

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace scanbrook::test {

struct FakeDefaults final : platform::UserDefaults {
    std::map<std::string, std::variant<double, std::int64_t, bool, std::string>, std::less<>>
        values;

    /// Reads like the platform's store: a number of either kind as a double, 0 for anything else.
    double doubleForKey(std::string_view key) const override {
        const auto i = find<std::int64_t>(key);
        return i ? static_cast<double>(*i) : find<double>(key).value_or(0.0);
    }
    std::int64_t integerForKey(std::string_view key) const override {
        return find<std::int64_t>(key).value_or(0);
    }
    bool boolForKey(std::string_view key) const override { return find<bool>(key).value_or(false); }
    void setDouble(double value, std::string_view key) override {
        values.insert_or_assign(std::string(key), value);
    }
    void setInteger(std::int64_t value, std::string_view key) override {
        values.insert_or_assign(std::string(key), value);
    }
    void setBool(bool value, std::string_view key) override {
        values.insert_or_assign(std::string(key), value);
    }
    bool hasValue(std::string_view key) const override { return values.contains(key); }
    template <class T> std::optional<T> find(std::string_view key) const {
        const auto it = values.find(key);
        const T* value = it == values.end() ? nullptr : std::get_if<T>(&it->second);
        return value ? std::optional<T>(*value) : std::nullopt;
    }
};

struct FakeClock final : platform::Clock {
    platform::TimePoint time{};
    platform::TimePoint now() const override { return time; }
};

struct FakeApplication final : platform::Application {
    int terminations = 0;
    void terminate() override { ++terminations; }
};

/// A queue that runs nothing until the test says so; safe to fill from worker threads.
struct ManualQueue final : platform::TaskQueue {
    bool addOperation(std::function<void()> operation) override {
        const std::lock_guard lock(mutex_);
        operations_.push_back(std::move(operation));
        return true;
    }
    /// Runs the oldest operation waiting, if there is one.
    bool runOne() {
        std::unique_lock lock(mutex_);
        if (operations_.empty()) {
            return false;
        }
        const std::function<void()> operation = std::move(operations_.front());
        operations_.pop_front();
        lock.unlock();
        operation();
        return true;
    }
    /// Runs the newest operation waiting, if there is one: work that finishes out of order.
    bool runNewest() {
        std::unique_lock lock(mutex_);
        if (operations_.empty()) {
            return false;
        }
        const std::function<void()> operation = std::move(operations_.back());
        operations_.pop_back();
        lock.unlock();
        operation();
        return true;
    }
    /// The operations waiting (filled by work on other threads too).
    std::size_t size() {
        const std::lock_guard lock(mutex_);
        return operations_.size();
    }
    /// Runs what is queued now (and what those operations queue in turn); returns the count.
    int runAll() {
        int count = 0;
        while (runOne()) {
            ++count;
        }
        return count;
    }

private:
    std::mutex mutex_;
    std::deque<std::function<void()>> operations_;
};

struct FakeTextField final : platform::TextField {
    std::string text;
    std::string stringValue() const override { return text; }
    void setStringValue(std::string_view value) override { text = value; }
};

/// Holds its value within 1 to 30, as the window's stepper does.
struct FakeStepper final : platform::Stepper {
    std::int64_t value = 1;
    std::int64_t integerValue() const override { return value; }
    void setIntegerValue(std::int64_t v) override { value = std::clamp<std::int64_t>(v, 1, 30); }
};

/// Keeps the font size of every byte, so tests can see re-fonting and appends.
struct FakeConsole final : platform::Console {
    std::string text;
    std::vector<double> sizes;

    void replaceText(std::string_view utf8, double fontSize) override {
        text = utf8;
        sizes.assign(utf8.size(), fontSize);
    }
    void appendText(std::string_view utf8, double fontSize) override {
        text += utf8;
        sizes.insert(sizes.end(), utf8.size(), fontSize);
    }
    void refont(double fontSize) override { std::fill(sizes.begin(), sizes.end(), fontSize); }
    std::string plainText() const override { return text; }
    std::vector<std::size_t> selectedLines;
    void selectLine(std::size_t line) override { selectedLines.push_back(line); }
    void scrollToEnd() override { scrolledTo = text.size(); }
    std::size_t scrolledTo = 0; ///< the text's length when last scrolled to its end
};

struct FakeSummaryView final : platform::SummaryView {
    std::string line;
    platform::SummaryDisplay shown;
    std::vector<platform::SummaryRow> rows;
    bool hidden = false;
    std::function<void(const std::string&)> activate;
    void showSummary(const platform::SummaryDisplay& summary) override {
        shown = summary;
        line = summary.verdictLine;
        rows = summary.rows;
    }
    void clearSummary() override {
        line.clear();
        rows.clear();
    }
    void setSummaryHidden(bool h) override { hidden = h; }
    void setScannerActivation(std::function<void(const std::string&)> handler) override {
        activate = std::move(handler);
    }
    void setFontSize(double points) override { fontSize = points; }
    double fontSize = 0;
};

struct FakeCommandStates final : platform::CommandStates {
    std::map<platform::WindowCommand, bool> enabled;
    void setCommandEnabled(platform::WindowCommand c, bool on) override { enabled[c] = on; }
};

struct FakeNoticeLine final : platform::NoticeLine {
    std::string text, actionTitle;
    std::function<void()> action;
    void showNotice(std::string_view t, std::string_view title, std::function<void()> a) override {
        text = t;
        actionTitle = title;
        action = std::move(a);
    }
    void hideNotice() override { showNotice({}, {}, nullptr); }
};

struct FakeProgressLine final : platform::ProgressLine {
    std::function<std::string()> text;
    void showProgress(std::function<std::string()> t) override { text = std::move(t); }
    void hideProgress() override { text = nullptr; }
    /// What the line shows now; empty when hidden.
    std::string shown() const { return text ? text() : std::string(); }
};

struct FakeSpinner final : platform::Spinner {
    bool hidden = false;
    bool animating = false;
    void setHidden(bool h) override { hidden = h; }
    void setUsesThreadedAnimation(bool) override {}
    void startAnimation() override { animating = true; }
    void stopAnimation() override { animating = false; }
};

struct FakeWindow final : platform::Window {
    platform::WindowDelegate* delegate = nullptr;
    std::string title;
    void setDelegate(platform::WindowDelegate* d) override { delegate = d; }
    void setTitle(std::string_view t) override { title = t; }
};

struct FakeSavePanel final : platform::SavePanel {
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
struct FakeAlertPresenter final : platform::AlertPresenter {
    std::vector<platform::AlertRequest> shown;
    std::function<int(const platform::AlertRequest&)> answer;

    int runModal(const platform::AlertRequest& request) override {
        shown.push_back(request);
        return answer ? answer(request) : kFirstButton;
    }
};

/// A Help menu holding one item, titled as the main menu's layout titles it.
struct FakeHelpMenu final : platform::HelpMenu {
    std::string itemTitle = "Update not checked";
    bool itemChecked = false;

    void checkAndRetitleItem(std::string_view title, std::string_view newTitle) override {
        if (itemTitle == title) {
            itemChecked = true;
            itemTitle = newTitle;
        }
    }
};

struct FakeUrlOpener final : platform::UrlOpener {
    std::vector<std::string> opened;
    void openUrl(const std::string& url) override { opened.push_back(url); }
};

} // namespace scanbrook::test
