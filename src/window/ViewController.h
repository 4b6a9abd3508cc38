#pragma once

#include "platform/Clock.h"
#include "platform/TaskQueue.h"
#include "platform/Ui.h"
#include "platform/UserDefaults.h"
#include "reports/ScanSummary.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scanbrook {

/// What the window's controller gets from outside. The references must outlive the controller;
/// the main queue is shared because work still running may hand it a completion after the
/// controller is gone (the completion then finds the controller gone and does nothing).
struct ViewControllerServices {
    platform::UserDefaults& defaults;
    platform::Clock& clock;
    platform::Application& application;
    platform::SavePanel& savePanel;
    std::shared_ptr<platform::TaskQueue> mainQueue;
    /// The work queue; when null the controller makes its own (8 operations at once).
    std::unique_ptr<platform::TaskQueue> processingQueue = nullptr;
    /// The scan ledger that every check records its events in; empty for none.
    std::string ledgerPath = {};
};

/// The controller of the main window: the period and font-size settings, the period's
/// stepper and text field, the title, the console, and the queue of the slow work.
/// Every member function runs on the main thread.
class ViewController final : public platform::WindowDelegate {
public:
    explicit ViewController(ViewControllerServices services);
    ~ViewController() override;
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // Outlets, connected by the window's layout before viewDidLoad().
    void setTextTimePeriod(platform::TextField* field) { textTimePeriod = field; }
    void setPeriodStep(platform::Stepper* stepper) { periodStep = stepper; }
    void setPeriodStepFormatter(platform::NumberFormatter* formatter) {
        periodStepFormatter = formatter;
    }
    void setOutputTextbox(platform::Console* console) { outputTextbox = console; }
    void setBusySpinner(platform::Spinner* spinner) { busySpinner = spinner; }
    void setSummaryView(platform::SummaryView* view) { summaryView = view; }
    void setProgressLine(platform::ProgressLine* line) { progressLine = line; }
    /// The window that shows the controller's view; null while there is none.
    void setViewWindow(platform::Window* window) { viewWindow = window; }

    void viewDidLoad();
    void viewDidAppear();
    bool windowShouldClose() override;

    // Actions.
    void stepSetPeriod();
    void testSetPeriod();
    void doCheckXPR();
    void doSaveButton();
    void doRunXPro();
    void incFontSize();
    void decFontSize();
    /// Shows or hides the scan summary beside the console, and remembers the choice.
    void setShowSummary(bool shown);

    // The console.
    void setOutputText(std::string_view text);
    void appendOutputText(std::string_view text);
    void applyFontSize();

    /// The version of the bundle at `path`, or "Not found".
    static std::string bundleShortVersion(const std::string& path);

    std::int64_t timePeriod() const { return theTimePeriod; }
    double fontSize() const { return theFontSize; }
    const std::optional<platform::TimePoint>& lastRunDate() const { return runDate; }
    platform::TaskQueue& queue() { return *processingQueue; }
    bool summaryShown() const { return showSummary; }

private:
    using EntryCount = std::shared_ptr<std::atomic<std::uint64_t>>;
    bool enqueueWork(std::function<void()> work);
    void showCheckReport(std::string report, const reports::ScanSummary& summary, std::int64_t days,
                         const EntryCount& entries);
    void showRunResult(const std::string& report);
    /// Adds a failure to record check `entries` in the ledger to the summary line, if that
    /// check's summary is the one on screen.
    void showLedgerProblem(const std::string& problem, const EntryCount& entries);
    void saveReportText(const std::optional<std::string>& path, const std::string& savedText);
    void showPeriodInField();
    void startSpinner();
    void stopSpinner();

    const std::string theXPremCatPath;
    std::int64_t theTimePeriod = 1;
    double theFontSize = 12.0;
    bool showSummary = true;
    std::optional<platform::TimePoint> runDate;
    platform::TextField* textTimePeriod = nullptr;
    platform::Stepper* periodStep = nullptr;
    platform::NumberFormatter* periodStepFormatter = nullptr;
    platform::Console* outputTextbox = nullptr;
    platform::Spinner* busySpinner = nullptr;
    platform::Window* viewWindow = nullptr;
    platform::SummaryView* summaryView = nullptr;
    platform::ProgressLine* progressLine = nullptr;
    /// The entries read so far by the most recently started check, while it runs: the only
    /// check whose progress the window shows.
    std::shared_ptr<const std::atomic<std::uint64_t>> countedCheck;
    /// The check whose summary is on screen, with its line and table.
    EntryCount shownCheck;
    std::string shownVerdictLine;
    std::vector<platform::SummaryRow> shownRows;
    const std::string ledgerPath;

    platform::UserDefaults& defaults;
    platform::Clock& clock;
    platform::Application& application;
    platform::SavePanel& savePanel;
    std::shared_ptr<platform::TaskQueue> mainQueue;
    const std::unique_ptr<platform::TaskQueue> processingQueue;
    /// Completions on the main queue hold a weak reference to this and skip their work once
    /// the controller is gone.
    std::shared_ptr<ViewController*> self;
};

} // namespace scanbrook
