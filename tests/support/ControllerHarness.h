#pragma once

#include "platform/NumberFormatter.h"
#include "platform/OperationQueue.h"
#include "support/Fakes.h"
#include "window/ViewController.h"

#include <memory>
#include <system_error>

namespace scanbrook::test {

/// Hands what the controller queues on to a queue that outlives it, as a worker thread would.
struct ForwardingQueue final : platform::TaskQueue {
    explicit ForwardingQueue(std::shared_ptr<ManualQueue> to) : target(std::move(to)) {}
    bool addOperation(std::function<void()> operation) override {
        return target->addOperation(std::move(operation));
    }
    std::shared_ptr<ManualQueue> target;
};

/// The window's controller wired to fakes, every outlet set as the window's layout sets it.
/// Settings stored in `defaults` before show() are what the controller loads.
struct ControllerHarness {
    /// Manual: work waits until runWork() runs it on this thread. NoThreads: the controller's
    /// real queue on a system that has no thread to give.
    enum class Work { Manual, NoThreads };

    FakeDefaults defaults;
    FakeClock clock;
    FakeApplication application;
    FakeSavePanel savePanel;
    std::shared_ptr<ManualQueue> mainQueue = std::make_shared<ManualQueue>();
    FakeTextField field;
    FakeStepper stepper;
    platform::DecimalNumberFormatter formatter;
    FakeConsole console;
    FakeSpinner spinner;
    FakeProgressLine progress;
    FakeSummaryView summary;
    FakeWindow window;
    FakeCommandStates commands;
    FakeNoticeLine notice;
    std::shared_ptr<ManualQueue> work = std::make_shared<ManualQueue>();
    std::unique_ptr<ViewController> controller;

    /// `ledgerPath`: the scan ledger that checks record in; none when empty.
    explicit ControllerHarness(Work mode = Work::Manual, std::string ledgerPath = {}) {
        std::unique_ptr<platform::TaskQueue> queue = std::make_unique<ForwardingQueue>(work);
        if (mode == Work::NoThreads) {
            queue = std::make_unique<platform::OperationQueue>(8, [](std::function<void()>) {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            });
        }
        controller = std::make_unique<ViewController>(
            ViewControllerServices{defaults, clock, application, savePanel, mainQueue,
                                   std::move(queue), nullptr, std::move(ledgerPath)});
        controller->setTextTimePeriod(&field);
        controller->setPeriodStep(&stepper);
        controller->setPeriodStepFormatter(&formatter);
        controller->setOutputTextbox(&console);
        controller->setBusySpinner(&spinner);
        controller->setProgressLine(&progress);
        controller->setSummaryView(&summary);
        controller->setViewWindow(&window);
        controller->setCommandStates(&commands);
        controller->setNoticeLine(&notice);
    }

    /// Loads the settings and shows the window, as the toolkit does when the window opens.
    void show() {
        controller->viewDidLoad();
        controller->viewDidAppear();
    }

    /// Manual work: runs the work queued so far, then the completions it handed to the main queue.
    void runWork() {
        work->runAll();
        mainQueue->runAll();
    }
};

} // namespace scanbrook::test
