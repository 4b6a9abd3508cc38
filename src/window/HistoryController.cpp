#include "window/HistoryController.h"

#include "ledger/HistoryText.h"
#include "ledger/Ledger.h"
#include "platform/Files.h"
#include "reports/ReportTexts.h"
#include "window/SummaryRows.h"

#include <utility>

namespace scanbrook {

/// One read of the ledger, made on the work queue and shown on the main thread.
struct HistoryController::Read {
    std::size_t periodIndex = 0;
    platform::TimePoint when;
    std::optional<ledger::ReadsMark> mark;
    /// False for a poll that found the reads table as it was: nothing else was read.
    bool changed = true;
    std::string report;
    platform::SummaryDisplay summary;
    std::string reachLine;
};

std::string historyReachLine(const std::optional<std::int64_t>& sinceMicros,
                             bool reachesBeforeHistory) {
    if (!sinceMicros) {
        return "No history kept yet: Scanbrook keeps what each check reads.";
    }
    std::string line = "History kept since " + ledger::sinceText(*sinceMicros) + ".";
    if (reachesBeforeHistory) {
        line += " Nothing older was recorded.";
    }
    return line;
}

HistoryController::HistoryController(HistoryControllerServices services)
    : defaults(services.defaults), clock(services.clock), savePanel(services.savePanel),
      mainQueue(std::move(services.mainQueue)), workQueue(std::move(services.workQueue)),
      ledgerPath(std::move(services.ledgerPath)), fontSize(std::move(services.fontSize)),
      self(std::make_shared<HistoryController*>(this)) {}

HistoryController::~HistoryController() = default;

void HistoryController::windowDidLoad() {
    if (defaults.hasValue(kHistoryPeriodKey)) {
        const std::int64_t stored = defaults.integerForKey(kHistoryPeriodKey);
        for (std::size_t i = 0; i < kHistoryPeriods.size(); ++i) {
            if (kHistoryPeriods[i].days == stored) {
                periodIndex = i;
            }
        }
    }
    if (historyView != nullptr) {
        historyView->showPeriod(periodIndex);
    }
    startRead(false);
}

void HistoryController::choosePeriod(std::size_t index) {
    if (index >= kHistoryPeriods.size()) {
        return;
    }
    periodIndex = index;
    defaults.setInteger(kHistoryPeriods[index].days, kHistoryPeriodKey);
    startRead(false);
}

void HistoryController::poll() {
    // The main window's font buttons change the console's size; the report follows.
    if (fontSize && fontSize() != shownFontSize) {
        applyFontSize();
    }
    startRead(true);
}

void HistoryController::refresh() {
    startRead(false);
}

void HistoryController::startRead(bool onlyWhenChanged) {
    if (reading) {
        // One read at a time; a choice made meanwhile is read once this one is in.
        readAgain = readAgain || !onlyWhenChanged;
        return;
    }
    reading = true;
    const bool queued = workQueue->addOperation(
        [weakSelf = std::weak_ptr(self), queue = mainQueue, path = ledgerPath, index = periodIndex,
         previous = onlyWhenChanged ? mark : std::nullopt, onlyWhenChanged, now = clock.now()] {
            Read read;
            read.periodIndex = index;
            read.when = now;
            read.mark = ledger::readsMark(path);
            read.changed = !onlyWhenChanged || !read.mark || !previous || *read.mark != *previous;
            if (read.changed) {
                const std::int64_t days = kHistoryPeriods[index].days;
                const ledger::LedgerPeriod period = ledger::readPeriod(path, days, now);
                read.report = ledger::historyReport(days, period.read, period.lines, now);
                if (period.read.status != ledger::Status::Ok) {
                    read.summary.verdictLine = period.read.problem;
                } else {
                    read.summary = summaryDisplay(period.summary, nullptr, days);
                    if (auto line = ledger::historyVerdictLine(period.summary, period.read)) {
                        read.summary.verdictLine = std::move(*line);
                    }
                }
                read.reachLine =
                    historyReachLine(period.read.sinceMicros, period.read.reachesBeforeHistory);
            }
            queue->addOperation([weakSelf, read = std::move(read)] {
                if (const auto alive = weakSelf.lock()) {
                    (*alive)->showRead(read);
                }
            });
        });
    if (!queued) {
        reading = false;
    }
}

void HistoryController::showRead(const Read& read) {
    reading = false;
    if (read.changed && read.periodIndex == periodIndex) {
        mark = read.mark;
        readDate = read.when;
        if (console != nullptr) {
            shownFontSize = fontSize ? fontSize() : shownFontSize;
            console->replaceText(read.report, shownFontSize);
        }
        if (summaryView != nullptr) {
            summaryView->showSummary(read.summary);
        }
        if (historyView != nullptr) {
            historyView->showReach(read.reachLine);
        }
        ++shown;
    }
    if (readAgain || read.periodIndex != periodIndex) {
        readAgain = false;
        startRead(false);
    }
}

void HistoryController::setKeeping(bool keeping) {
    if (historyView != nullptr) {
        historyView->showKeepingOffer(!keeping);
    }
}

void HistoryController::applyFontSize() {
    if (console != nullptr && fontSize) {
        shownFontSize = fontSize();
        console->refont(shownFontSize);
    }
}

std::string HistoryController::reportText() const {
    return console != nullptr ? console->plainText() : std::string();
}

std::string HistoryController::defaultSaveName(platform::TimePoint when) {
    return "Scanbrook-History-" + reports::lastCheckDateText(when) + ".text";
}

void HistoryController::doSaveButton() {
    if (console == nullptr) {
        return;
    }
    platform::SaveRequest request;
    request.defaultName = defaultSaveName(readDate.value_or(clock.now()));
    request.allowedFileTypes = {"text", "txt"};
    request.canCreateDirectories = true;
    savePanel.begin(request, [weakSelf = std::weak_ptr(self),
                              savedText = console->plainText()](std::optional<std::string> path) {
        const auto alive = weakSelf.lock();
        if (!alive || !path) {
            return;
        }
        // As the main window's Save: the bytes shown, and a failure said in the console.
        if (const auto failure = platform::writeFile(*path, savedText)) {
            HistoryController& controller = **alive;
            if (controller.console != nullptr) {
                controller.console->appendText(*failure, controller.shownFontSize);
            }
        }
    });
}

} // namespace scanbrook
