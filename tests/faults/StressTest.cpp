// Many presses of check and run in quick succession, through the window's controller with its
// real work queue, against the simulated log tool answering after random delays. The
// completions run on this thread, as the main queue runs them in the application. Under
// ThreadSanitizer this is the concurrency test of the Qt-free core.

#include "platform/NumberFormatter.h"
#include "platform/OperationQueue.h"
#include "platform/Paths.h"
#include "reports/ReportTexts.h"
#include "support/Fakes.h"
#include "support/SimRoot.h"
#include "window/ViewController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <thread>
#include <vector>

namespace scanbrook {
namespace {

using namespace std::chrono_literals;

constexpr int kChecks = 25;
constexpr int kRuns = 25;
/// Only a hang guard: the whole test takes a few seconds.
constexpr auto kPatience = 240s;

const platform::TimePoint kPressTime{std::chrono::seconds(1'709'631'667)};

const char* const kEntries = R"([
  {"timestamp" : "2024-03-05 09:41:07.123456+0100", "senderImagePath" : "\/x\/XProtectRemediatorPirrit", "eventMessage" : "{\"status_code\":0,\"status_message\":\"NoThreatDetected\"}"},
  {"timestamp" : "2024-03-05 10:02:11.000001+0100", "senderImagePath" : "\/x\/XProtectRemediatorKeySteal", "eventMessage" : "{\"status_code\":1}"}
])";
const char* const kLines = "2024-03-05 09:41:07.123  Pirrit        "
                           "  {\"status_code\":0,\"status_message\":\"NoThreatDetected\"}\n"
                           "2024-03-05 10:02:11.000  KeySteal      "
                           "\xE2\x9A\xA0\xEF\xB8\x8F{\"status_code\":1}\n";

/// The main queue: completions wait until the test runs them, one at a time, and the test
/// looks at the console after each.
class ObservedMainQueue final : public platform::TaskQueue {
public:
    explicit ObservedMainQueue(std::function<void()> afterEach)
        : afterEach_(std::move(afterEach)) {}
    void addOperation(std::function<void()> operation) override {
        queue_.addOperation([this, operation = std::move(operation)] {
            operation();
            afterEach_();
        });
    }
    test::ManualQueue& queue() { return queue_; }

private:
    test::ManualQueue queue_;
    std::function<void()> afterEach_;
};

/// Hands the controller's work to a queue that the test keeps, so that the test can tell when
/// the work of a closed window has ended.
class SharedWorkQueue final : public platform::TaskQueue {
public:
    explicit SharedWorkQueue(std::shared_ptr<platform::OperationQueue> queue)
        : queue_(std::move(queue)) {}
    void addOperation(std::function<void()> operation) override {
        queue_->addOperation(std::move(operation));
    }

private:
    std::shared_ptr<platform::OperationQueue> queue_;
};

class Stress : public ::testing::Test {
protected:
    void SetUp() override {
        root.setControl("log.delay", "random:0-150");
        root.setControl("log.query.output", kEntries);
        root.setControl("xprotect.duration", "0.05");
        platform::reloadPlatformRoot();
    }

    void makeController(std::unique_ptr<platform::TaskQueue> workQueue = nullptr) {
        controller = std::make_unique<ViewController>(ViewControllerServices{
            defaults, clock, application, savePanel, mainQueue, std::move(workQueue)});
        controller->setTextTimePeriod(&field);
        controller->setPeriodStep(&stepper);
        controller->setPeriodStepFormatter(&formatter);
        controller->setOutputTextbox(&console);
        controller->setBusySpinner(&spinner);
        controller->viewDidLoad();
        controller->viewDidAppear();
        clock.time = kPressTime;
    }

    /// 25 checks, for the periods 1 to 25 (so that each report tells which check it is), and
    /// 25 runs, in a shuffled order that is the same on every run of the test.
    static std::vector<int> presses() {
        std::vector<int> order; // a period for a check, 0 for a run
        for (int period = 1; period <= kChecks; ++period) {
            order.push_back(period);
        }
        order.insert(order.end(), kRuns, 0);
        std::shuffle(order.begin(), order.end(), std::mt19937(20240305));
        return order;
    }

    void press(int action) {
        if (action == 0) {
            controller->doRunXPro();
        } else {
            field.text = std::to_string(action);
            controller->doCheckXPR();
        }
    }

    static std::string reportOf(int period) {
        return reports::checkTexts(period).header + kLines + reports::closingLine(kPressTime);
    }

    /// Classifies the completion that just ran by what it did to the console.
    void observe() {
        if (!observing) {
            return;
        }
        ++completions;
        const std::string& now = console.text;
        const std::string_view notice = reports::kRunCompletionNotice;
        if (now.size() == previous.size() + notice.size() && now.starts_with(previous) &&
            now.ends_with(notice)) {
            ++runsCompleted;
            ++runsSinceLastCheck;
        } else {
            int period = 0;
            for (int candidate = 1; candidate <= kChecks; ++candidate) {
                if (now == reportOf(candidate)) {
                    period = candidate;
                }
            }
            EXPECT_NE(period, 0) << "a completion left the console as neither a report nor a "
                                    "notice appended:\n"
                                 << now;
            ++checksCompleted[period];
            lastCheck = period;
            runsSinceLastCheck = 0;
        }
        previous = now;
    }

    test::TempSimRoot root;
    test::ScopedEnvironment env{platform::kPlatformRootVariable, root.path()};
    test::FakeDefaults defaults;
    test::FakeClock clock;
    test::FakeApplication application;
    test::FakeSavePanel savePanel;
    std::shared_ptr<ObservedMainQueue> mainQueue =
        std::make_shared<ObservedMainQueue>([this] { observe(); });
    test::FakeTextField field;
    test::FakeStepper stepper;
    platform::DecimalNumberFormatter formatter;
    test::FakeConsole console;
    test::FakeSpinner spinner;
    std::unique_ptr<ViewController> controller;

    bool observing = true;
    int completions = 0;
    int runsCompleted = 0;
    int runsSinceLastCheck = 0;
    int lastCheck = 0;
    std::map<int, int> checksCompleted;
    std::string previous;
};

TEST_F(Stress, FiftyPressesCompleteOnceEachAndTheLastCheckStaysAboveLaterNotices) {
    makeController();
    for (const int action : presses()) {
        press(action);
        EXPECT_FALSE(spinner.hidden);
        // Whatever has finished meanwhile runs between presses, as the event loop would run it.
        mainQueue->queue().runAll();
    }
    while (completions < kChecks + kRuns) {
        ASSERT_TRUE(mainQueue->queue().waitFor(1, kPatience))
            << completions << " of " << kChecks + kRuns << " presses completed";
        mainQueue->queue().runAll();
    }

    EXPECT_EQ(completions, kChecks + kRuns);
    EXPECT_EQ(runsCompleted, kRuns);
    ASSERT_EQ(checksCompleted.size(), static_cast<std::size_t>(kChecks));
    for (const auto& [period, count] : checksCompleted) {
        EXPECT_EQ(count, 1) << "the check of " << period << " days";
    }
    std::string expected = reportOf(lastCheck);
    for (int i = 0; i < runsSinceLastCheck; ++i) {
        expected += reports::kRunCompletionNotice;
    }
    EXPECT_EQ(console.text, expected);
    EXPECT_TRUE(spinner.hidden);
    EXPECT_FALSE(spinner.animating);

    // Nothing more arrives: every press gave exactly one completion.
    EXPECT_FALSE(mainQueue->queue().waitFor(1, 300ms));
}

TEST_F(Stress, ClosingTheWindowHalfWayLeavesLateCompletionsHarmless) {
    auto work = std::make_shared<platform::OperationQueue>(8);
    makeController(std::make_unique<SharedWorkQueue>(work));
    const std::vector<int> order = presses();
    for (std::size_t i = 0; i < order.size() / 2; ++i) {
        press(order[i]);
        mainQueue->queue().runAll();
    }
    controller.reset(); // the window closed
    observing = false;
    const std::string atClose = console.text;
    const bool spinnerAtClose = spinner.hidden;

    // The work already handed out ends by itself; its completions find no controller.
    while (work->operationCount() > 0) {
        std::this_thread::sleep_for(10ms);
    }
    mainQueue->queue().runAll();
    EXPECT_EQ(console.text, atClose);
    EXPECT_EQ(spinner.hidden, spinnerAtClose);
}

} // namespace
} // namespace scanbrook
