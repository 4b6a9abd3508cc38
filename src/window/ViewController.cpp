#include "window/ViewController.h"

#include "ledger/HistoryText.h"
#include "ledger/Ledger.h"
#include "ledger/Recording.h"
#include "platform/Bundle.h"
#include "platform/Files.h"
#include "platform/MacPaths.h"
#include "platform/OperationQueue.h"
#include "platform/Paths.h"
#include "reports/ReportTexts.h"
#include "reports/ScanHistoryCheck.h"
#include "reports/ScanRunner.h"
#include "window/SummaryRows.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace scanbrook {

namespace {

constexpr int kMaxConcurrentOperations = 8;
constexpr double kDefaultFontSize = 12.0;
constexpr double kMinFontSize = 4.0;
constexpr double kMaxFontSize = 24.0;
constexpr double kFontSizeStep = 1.0;

constexpr std::string_view kFontSizeKey = "fontSize";
constexpr std::string_view kTimePeriodKey = "timePeriod";
constexpr std::string_view kShowSummaryKey = "showSummary";
constexpr std::string_view kStaleHoursKey = "staleHours";
constexpr std::string_view kLedgerKeepDaysKey = "ledgerKeepDays";
constexpr std::string_view kTitlePrefix = "Scanbrook : XProtect Remediator version ";
constexpr std::string_view kVersionNotFound = "Not found";
constexpr std::string_view kRunEndedNotice =
    "The scan run has ended. A check will show its results; the summary is still that of the last "
    "check.";
constexpr std::string_view kCheckNowTitle = "Check Now";
constexpr std::string_view kSaveFailedTitle = "The report could not be saved.";

std::unique_ptr<platform::TaskQueue> makeProcessingQueue(std::unique_ptr<platform::TaskQueue> q) {
    if (q) {
        return q;
    }
    return std::make_unique<platform::OperationQueue>(kMaxConcurrentOperations);
}

} // namespace

ViewController::ViewController(ViewControllerServices services)
    : theXPremCatPath(mac::kXProtectBundle), ledgerPath(std::move(services.ledgerPath)),
      defaults(services.defaults), clock(services.clock), application(services.application),
      savePanel(services.savePanel), alerts(services.alerts),
      mainQueue(std::move(services.mainQueue)),
      processingQueue(makeProcessingQueue(std::move(services.processingQueue))),
      self(std::make_shared<ViewController*>(this)) {}

ViewController::~ViewController() = default;

void ViewController::viewDidLoad() {
    const double storedSize = defaults.doubleForKey(kFontSizeKey);
    // A value that is no finite number cannot size a font; it counts as unusable like one
    // below the minimum.
    theFontSize =
        (!std::isfinite(storedSize) || storedSize < kMinFontSize) ? kDefaultFontSize : storedSize;

    std::int64_t period = defaults.integerForKey(kTimePeriodKey);
    if (period == 0) {
        period = 1;
    }
    periodStep->setIntegerValue(period);
    theTimePeriod = periodStep->integerValue();

    showSummary = !defaults.hasValue(kShowSummaryKey) || defaults.boolForKey(kShowSummaryKey);
    const std::int64_t staleHours = defaults.integerForKey(kStaleHoursKey);
    theStaleHours = staleHours >= 1 ? staleHours : reports::kDefaultStaleHours;
    if (summaryView != nullptr) {
        summaryView->setSummaryHidden(!showSummary);
    }
    showFontSize();
    // Nothing to save until a report is shown.
    enableCommand(platform::WindowCommand::SaveReport, false);
}

void ViewController::setSummaryView(platform::SummaryView* view) {
    summaryView = view;
    if (summaryView != nullptr) {
        // The view may outlive the controller: a late double-click then does nothing.
        summaryView->setScannerActivation(
            [weakSelf = std::weak_ptr(self)](const std::string& name) {
                if (const auto alive = weakSelf.lock()) {
                    (*alive)->showScannerLines(name);
                }
            });
    }
}

void ViewController::showScannerLines(const std::string& name) {
    const auto found = scannerLines.find(name);
    if (found == scannerLines.end() || found->second.empty() || outputTextbox == nullptr) {
        return;
    }
    step = name == steppedScanner ? (step + 1) % found->second.size() : 0;
    steppedScanner = name;
    outputTextbox->selectLine(found->second[step]);
}

void ViewController::setShowSummary(bool shown) {
    showSummary = shown;
    defaults.setBool(shown, kShowSummaryKey);
    if (summaryView != nullptr) {
        summaryView->setSummaryHidden(!shown);
    }
}

void ViewController::viewDidAppear() {
    if (viewWindow != nullptr) {
        viewWindow->setDelegate(this);
    }
    const std::string version = bundleShortVersion(platform::platformPath(theXPremCatPath));
    if (viewWindow != nullptr) {
        viewWindow->setTitle(std::string(kTitlePrefix) + version);
    }
    busySpinner->setHidden(true);
    if (progressLine != nullptr) {
        progressLine->hideProgress();
    }
    runDate = clock.now();
    stepSetPeriod();
}

bool ViewController::windowShouldClose() {
    defaults.setInteger(theTimePeriod, kTimePeriodKey);
    application.terminate();
    return true;
}

void ViewController::stepSetPeriod() {
    theTimePeriod = periodStep->integerValue();
    showPeriodInField();
}

void ViewController::testSetPeriod() {
    const auto number = periodStepFormatter->integerFromString(textTimePeriod->stringValue());
    theTimePeriod = reports::clampPeriod(number.value_or(1));
    periodStep->setIntegerValue(theTimePeriod);
    showPeriodInField();
}

void ViewController::showPeriodInField() {
    textTimePeriod->setStringValue(std::to_string(theTimePeriod));
}

void ViewController::doCheckXPR() {
    if (noticeLine != nullptr) {
        noticeLine->hideNotice();
    }
    testSetPeriod();
    startSpinner();
    theTimePeriod = reports::clampPeriod(theTimePeriod);
    reports::CheckTexts texts = reports::checkTexts(theTimePeriod);
    runDate = clock.now();

    // The worker only stores its running count; the progress line reads the newest check's at
    // its own pace, so no count ever waits in the main queue behind or after a report.
    const auto entries = std::make_shared<std::atomic<std::uint64_t>>(0);
    countedCheck = entries;
    if (progressLine != nullptr) {
        progressLine->showProgress([entries]() -> std::string {
            const std::uint64_t count = entries->load(std::memory_order_relaxed);
            return count == 0 ? std::string() : reports::readingProgressText(count);
        });
    }

    // The worker holds no reference to the controller: the window may close while the log
    // tool runs, and the completion then finds the controller gone.
    // The summary comes from the report's own parse and travels with it, so the summary on
    // screen is always that of the report on screen, whatever order checks finish in.
    // Staleness is judged at the moment of the press, like the report's date.
    const reports::SummaryMoment moment{runDate, theStaleHours};
    // The ledger's rows come from the same parse; they are written on the worker after the
    // report has been handed on, so the ledger never delays the report, and a failure to write
    // them only adds to the summary line.
    const std::int64_t keepDays = ledger::clampKeepDays(
        defaults.hasValue(kLedgerKeepDaysKey) ? defaults.integerForKey(kLedgerKeepDaysKey)
                                              : ledger::kDefaultKeepDays);
    const bool started = enqueueWork([texts = std::move(texts), days = theTimePeriod, entries,
                                      moment, weakSelf = std::weak_ptr(self), queue = mainQueue,
                                      path = ledgerPath, keepDays, readAt = *runDate] {
        std::string report = texts.header;
        const auto headerLines =
            static_cast<std::size_t>(std::count(report.begin(), report.end(), '\n'));
        reports::ScanSummaryBuilder builder;
        ledger::EventCollector rows;
        ledger::ObserverPair observers(&builder, path.empty() ? nullptr : &rows);
        const reports::CheckSummary check =
            reports::runLogQuery(texts, report, &observers, [&entries](std::uint64_t n) {
                entries->store(n, std::memory_order_relaxed);
            });
        reports::ScanSummary summary = builder.finish(check, moment);
        protection::ProtectionStatus protection = protection::readProtectionStatus();
        queue->addOperation([weakSelf, report = std::move(report), summary = std::move(summary),
                             protection = std::move(protection), days, headerLines,
                             entries]() mutable {
            if (const auto alive = weakSelf.lock()) {
                (*alive)->showCheckReport(std::move(report), summary, protection, days, headerLines,
                                          entries);
            }
        });
        if (path.empty()) {
            return;
        }
        const ledger::WriteResult written =
            ledger::recordCheck(path, rows, check, days, readAt, {.keepDays = keepDays});
        std::string note = written.notice;
        if (written.status != ledger::Status::Ok) {
            note += (note.empty() ? "" : " ") + written.problem;
        } else {
            // How far the ledger reaches, and whether it holds what the log has forgotten.
            std::optional<std::int64_t> oldest;
            for (const ledger::EventRow& row : rows.rows()) {
                oldest = std::min(oldest.value_or(row.instantMicros), row.instantMicros);
            }
            const std::string reach =
                ledger::ledgerReachNote(written.sinceMicros, oldest, days, readAt);
            note += (note.empty() || reach.empty() ? "" : " ") + reach;
        }
        if (!note.empty()) {
            queue->addOperation([weakSelf, note = std::move(note), entries] {
                if (const auto alive = weakSelf.lock()) {
                    (*alive)->showLedgerNote(note, entries);
                }
            });
        }
    });
    if (!started && countedCheck == entries) {
        countedCheck.reset();
        if (progressLine != nullptr) {
            progressLine->hideProgress();
        }
    }
}

bool ViewController::enqueueWork(std::function<void()> work) {
    // Refused only when no thread could be had at all: the press must still end, or the spinner
    // would turn for good.
    if (!processingQueue->addOperation(std::move(work))) {
        appendOutputText(reports::kWorkNotStartedText);
        stopSpinner();
        return false;
    }
    return true;
}

void ViewController::showCheckReport(std::string report, const reports::ScanSummary& summary,
                                     const protection::ProtectionStatus& protection,
                                     std::int64_t days, std::size_t headerLines,
                                     const EntryCount& entries) {
    report += reports::closingLine(*runDate);
    setOutputText(report);
    scannerLines.clear();
    steppedScanner.clear();
    for (const reports::ScannerSummary& scanner : summary.scanners) {
        std::vector<std::size_t>& lines = scannerLines[scanner.name];
        lines.reserve(scanner.reportLines.size());
        for (const std::size_t line : scanner.reportLines) {
            lines.push_back(headerLines + line);
        }
    }
    shownCheck = entries;
    shownSummary = summaryDisplay(summary, &protection, days);
    if (summaryView != nullptr) {
        summaryView->showSummary(shownSummary);
    }
    if (entries == countedCheck) {
        countedCheck.reset();
        if (progressLine != nullptr) {
            progressLine->hideProgress();
        }
    }
    enableCommand(platform::WindowCommand::SaveReport, true);
    stopSpinner();
}

void ViewController::doRunXPro() {
    if (runGoing) {
        return;
    }
    if (!reports::xprotectInstalled()) {
        if (noticeLine != nullptr) {
            noticeLine->showNotice(reports::notInstalledText());
        }
        return;
    }
    startSpinner();
    runGoing = true;
    enableCommand(platform::WindowCommand::RunScans, false);
    const bool started = enqueueWork([weakSelf = std::weak_ptr(self), queue = mainQueue] {
        std::string report = reports::runXProtectScans().text;
        queue->addOperation([weakSelf, report = std::move(report)] {
            if (const auto alive = weakSelf.lock()) {
                (*alive)->showRunResult(report);
            }
        });
    });
    if (!started) {
        runGoing = false;
        enableCommand(platform::WindowCommand::RunScans, true);
    }
}

void ViewController::showLedgerNote(const std::string& note, const EntryCount& entries) {
    if (entries != shownCheck || summaryView == nullptr) {
        return;
    }
    shownSummary.verdictLine += " \u00B7 " + note;
    summaryView->showSummary(shownSummary);
}

void ViewController::showRunResult(const std::string& report) {
    appendOutputText(report);
    runGoing = false;
    enableCommand(platform::WindowCommand::RunScans, true);
    enableCommand(platform::WindowCommand::SaveReport, true);
    // The summary stays that of the check above the run's notice; the user is told so and
    // offered the check that brings it up to date.
    if (noticeLine != nullptr) {
        noticeLine->showNotice(kRunEndedNotice, kCheckNowTitle, [weakSelf = std::weak_ptr(self)] {
            if (const auto alive = weakSelf.lock()) {
                (*alive)->doCheckXPR();
            }
        });
    }
    // Once the notice takes its room, so that the run's last line is in view.
    outputTextbox->scrollToEnd();
    stopSpinner();
}

void ViewController::doSaveButton() {
    std::string savedText = outputTextbox->plainText();
    platform::SaveRequest request;
    request.defaultName = reports::defaultSaveName(*runDate);
    request.allowedFileTypes = {"text", "txt"};
    request.canCreateDirectories = true;
    savePanel.begin(request, [weakSelf = std::weak_ptr(self),
                              savedText = std::move(savedText)](std::optional<std::string> path) {
        if (const auto alive = weakSelf.lock()) {
            (*alive)->saveReportText(path, savedText);
        }
    });
}

void ViewController::saveReportText(const std::optional<std::string>& path,
                                    const std::string& savedText) {
    if (!path) {
        return;
    }
    if (const auto failure = platform::writeFile(*path, savedText)) {
        appendOutputText(*failure);
        if (alerts != nullptr) {
            alerts->runModal({.style = platform::AlertStyle::Critical,
                              .messageText = std::string(kSaveFailedTitle),
                              .informativeText = *failure,
                              .buttons = {"OK"}});
        }
    }
}

void ViewController::startSpinner() {
    busySpinner->setHidden(false);
    busySpinner->setUsesThreadedAnimation(true);
    busySpinner->startAnimation();
}

void ViewController::stopSpinner() {
    busySpinner->stopAnimation();
    busySpinner->setHidden(true);
}

void ViewController::enableCommand(platform::WindowCommand command, bool enabled) {
    if (commandStates != nullptr) {
        commandStates->setCommandEnabled(command, enabled);
    }
}

void ViewController::showFontSize() {
    enableCommand(platform::WindowCommand::BiggerText, theFontSize < kMaxFontSize);
    enableCommand(platform::WindowCommand::SmallerText, theFontSize > kMinFontSize);
    if (summaryView != nullptr) {
        summaryView->setFontSize(theFontSize);
    }
}

void ViewController::incFontSize() {
    theFontSize = std::min(theFontSize + kFontSizeStep, kMaxFontSize);
    defaults.setDouble(theFontSize, kFontSizeKey);
    applyFontSize();
}

void ViewController::decFontSize() {
    theFontSize = std::max(theFontSize - kFontSizeStep, kMinFontSize);
    defaults.setDouble(theFontSize, kFontSizeKey);
    applyFontSize();
}

void ViewController::setOutputText(std::string_view text) {
    if (outputTextbox != nullptr) {
        outputTextbox->replaceText(text, theFontSize);
    }
}

void ViewController::appendOutputText(std::string_view text) {
    if (outputTextbox != nullptr) {
        outputTextbox->appendText(text, theFontSize);
    }
}

void ViewController::applyFontSize() {
    if (outputTextbox != nullptr) {
        outputTextbox->refont(theFontSize);
    }
    showFontSize();
}

std::string ViewController::bundleShortVersion(const std::string& path) {
    // Only the information dictionary is read; the bundle's code is never loaded.
    return platform::bundleShortVersion(path).value_or(std::string(kVersionNotFound));
}

} // namespace scanbrook
