#pragma once

#include "platform/Clock.h"
#include "platform/TaskQueue.h"
#include "platform/Ui.h"
#include "platform/UserDefaults.h"
#include "protection/ProtectionStatus.h"
#include "reports/ScanSummary.h"

#include <atomic>
#include <cstdint>
#include <map>
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
    /// Where a failed save is reported besides the console; none when null.
    platform::AlertPresenter* alerts = nullptr;
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
    void setSummaryView(platform::SummaryView* view);
    void setProgressLine(platform::ProgressLine* line) { progressLine = line; }
    void setCommandStates(platform::CommandStates* states) { commandStates = states; }
    void setNoticeLine(platform::NoticeLine* line) { noticeLine = line; }
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
    /// Selects the report line of the scanner's first event in the console; asked again for
    /// the same scanner, its next one, and after its last the first again.
    void showScannerLines(const std::string& name);

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
    void showCheckReport(std::string report, const reports::ScanSummary& summary,
                         const protection::ProtectionStatus& protection, std::int64_t days,
                         std::size_t headerLines, const EntryCount& entries);
    void showRunResult(const std::string& report);
    /// Adds what recording check `entries` in the ledger has to say (a failure, or how far the
    /// ledger reaches) to the summary line, if that check's summary is the one on screen.
    void showLedgerNote(const std::string& note, const EntryCount& entries);
    void saveReportText(const std::optional<std::string>& path, const std::string& savedText);
    void showPeriodInField();
    void startSpinner();
    void stopSpinner();
    void enableCommand(platform::WindowCommand command, bool enabled);
    /// A− and A+ usable only where they would change the size; the summary takes the size too.
    void showFontSize();

    const std::string theXPremCatPath;
    std::int64_t theTimePeriod = 1;
    double theFontSize = 12.0;
    bool showSummary = true;
    std::int64_t theStaleHours = reports::kDefaultStaleHours;
    std::optional<platform::TimePoint> runDate;
    /// The console's line of each event of each scanner of the report on screen.
    std::map<std::string, std::vector<std::size_t>, std::less<>> scannerLines;
    /// The scanner whose lines are being stepped through, and the step.
    std::string steppedScanner;
    std::size_t step = 0;
    platform::TextField* textTimePeriod = nullptr;
    platform::Stepper* periodStep = nullptr;
    platform::NumberFormatter* periodStepFormatter = nullptr;
    platform::Console* outputTextbox = nullptr;
    platform::Spinner* busySpinner = nullptr;
    platform::Window* viewWindow = nullptr;
    platform::SummaryView* summaryView = nullptr;
    platform::ProgressLine* progressLine = nullptr;
    platform::CommandStates* commandStates = nullptr;
    platform::NoticeLine* noticeLine = nullptr;
    /// Whether a scan run is under way: another press would start the scanner twice.
    bool runGoing = false;
    /// The entries read so far by the most recently started check, while it runs: the only
    /// check whose progress the window shows.
    std::shared_ptr<const std::atomic<std::uint64_t>> countedCheck;
    /// The check whose summary is on screen, and what the panel shows of it.
    EntryCount shownCheck;
    platform::SummaryDisplay shownSummary;
    const std::string ledgerPath;

    platform::UserDefaults& defaults;
    platform::Clock& clock;
    platform::Application& application;
    platform::SavePanel& savePanel;
    platform::AlertPresenter* alerts;
    std::shared_ptr<platform::TaskQueue> mainQueue;
    const std::unique_ptr<platform::TaskQueue> processingQueue;
    /// Completions on the main queue hold a weak reference to this and skip their work once
    /// the controller is gone.
    std::shared_ptr<ViewController*> self;
};

} // namespace scanbrook
