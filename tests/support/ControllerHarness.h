#pragma once

#include "platform/NumberFormatter.h"
#include "platform/OperationQueue.h"
#include "support/Fakes.h"
#include "window/ViewController.h"

#include <chrono>
#include <memory>
#include <system_error>

namespace scanbrook::test {

/// The window's controller wired to fakes, every outlet set as the window's layout sets it.
/// Settings stored in `defaults` before show() are what the controller loads.
struct ControllerHarness {
    /// Manual: work is queued and never runs. Real: the controller's own queue runs it on
    /// worker threads, against real child processes. NoThreads: a real queue on a system that
    /// has no thread to give.
    enum class Work { Manual, Real, NoThreads };

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
    FakeWindow window;
    std::unique_ptr<ViewController> controller;

    explicit ControllerHarness(Work work = Work::Manual) {
        controller = std::make_unique<ViewController>(ViewControllerServices{
            defaults, clock, application, savePanel, mainQueue, processingQueue(work)});
        controller->setTextTimePeriod(&field);
        controller->setPeriodStep(&stepper);
        controller->setPeriodStepFormatter(&formatter);
        controller->setOutputTextbox(&console);
        controller->setBusySpinner(&spinner);
        controller->setViewWindow(&window);
    }

    static std::unique_ptr<platform::TaskQueue> processingQueue(Work work) {
        switch (work) {
        case Work::Manual:
            return std::make_unique<ManualQueue>();
        case Work::NoThreads:
            return std::make_unique<platform::OperationQueue>(8, [](std::function<void()>) {
                throw std::system_error(
                    std::make_error_code(std::errc::resource_unavailable_try_again));
            });
        case Work::Real:
            break;
        }
        return nullptr;
    }

    /// Loads the settings and shows the window, as the toolkit does when the window opens.
    void show() {
        controller->viewDidLoad();
        controller->viewDidAppear();
    }

    /// Waits until a worker has handed its completion to the main queue, then runs it.
    bool finishWork(std::chrono::seconds limit = std::chrono::seconds(60)) {
        const bool arrived = mainQueue->waitFor(1, limit);
        mainQueue->runAll();
        return arrived;
    }
};

} // namespace scanbrook::test
