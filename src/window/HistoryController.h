#pragma once

#include "ledger/LedgerReads.h"
#include "platform/Clock.h"
#include "platform/TaskQueue.h"
#include "platform/Ui.h"
#include "platform/UserDefaults.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace scanbrook {

/// A choice of the History window's period chooser.
struct HistoryPeriod {
    std::string_view title;
    std::int64_t days;
};
/// "All" asks for the longest period the ledger answers, as `scanbrook-cli history --days 3650`.
inline constexpr std::array<HistoryPeriod, 5> kHistoryPeriods{{{"Last 7 days", 7},
                                                               {"Last 30 days", 30},
                                                               {"Last 90 days", 90},
                                                               {"Last year", 365},
                                                               {"All", 3650}}};
inline constexpr std::string_view kHistoryPeriodKey = "historyPeriod";

/// What the History window shows besides its console and summary.
class HistoryView {
public:
    virtual ~HistoryView() = default;
    /// Selects the chooser's entry `index` of kHistoryPeriods, without it counting as a choice.
    virtual void showPeriod(std::size_t index) = 0;
    /// The line that says from when the ledger holds history.
    virtual void showReach(std::string_view line) = 0;
    /// Whether the line offering to keep the history in the background shows.
    virtual void showKeepingOffer(bool shown) = 0;
};

struct HistoryControllerServices {
    platform::UserDefaults& defaults;
    platform::Clock& clock;
    platform::SavePanel& savePanel;
    std::shared_ptr<platform::TaskQueue> mainQueue;
    /// Where the ledger is read; every read runs here, never on the main thread.
    std::shared_ptr<platform::TaskQueue> workQueue;
    std::string ledgerPath;
    /// The console's font size in the main window, which the report follows.
    std::function<double()> fontSize;
};

/// The History window's logic: the ledger's report and summary of the chosen period, read off
/// the main thread, and read again whenever the ledger's reads table says that a check or a
/// record has added to it. Every member function runs on the main thread.
class HistoryController {
public:
    explicit HistoryController(HistoryControllerServices services);
    ~HistoryController();
    HistoryController(const HistoryController&) = delete;
    HistoryController& operator=(const HistoryController&) = delete;

    void setConsole(platform::Console* view) { console = view; }
    void setSummaryView(platform::SummaryView* view) { summaryView = view; }
    void setHistoryView(HistoryView* view) { historyView = view; }

    /// Shows the remembered period and reads it.
    void windowDidLoad();
    /// The chooser's entry `index` was chosen: remembered, and read.
    void choosePeriod(std::size_t index);
    /// Looks at the ledger's reads (off the main thread) and reads the period again when they
    /// changed; the window calls it every few seconds while it is open.
    void poll();
    /// Reads the period again now.
    void refresh();
    void doSaveButton();
    /// Whether the history is kept in the background; without it the window offers to.
    void setKeeping(bool keeping);
    /// The console's font size changed in the main window.
    void applyFontSize();
    /// The period's report as the console shows it.
    std::string reportText() const;

    std::int64_t days() const { return kHistoryPeriods[periodIndex].days; }
    /// Reads finished and shown so far; for tests that wait for one.
    std::uint64_t shownReads() const { return shown; }

    /// The name a saved history report gets: "Scanbrook-History-<the check date>.text".
    static std::string defaultSaveName(platform::TimePoint when);

private:
    struct Read;
    void startRead(bool onlyWhenChanged);
    void showRead(const Read& read);

    std::size_t periodIndex = 1;
    bool reading = false;
    bool readAgain = false;
    std::optional<ledger::ReadsMark> mark;
    std::uint64_t shown = 0;
    std::optional<platform::TimePoint> readDate;
    double shownFontSize = 12.0;
    platform::Console* console = nullptr;
    platform::SummaryView* summaryView = nullptr;
    HistoryView* historyView = nullptr;

    platform::UserDefaults& defaults;
    platform::Clock& clock;
    platform::SavePanel& savePanel;
    std::shared_ptr<platform::TaskQueue> mainQueue;
    std::shared_ptr<platform::TaskQueue> workQueue;
    const std::string ledgerPath;
    std::function<double()> fontSize;
    std::shared_ptr<HistoryController*> self;
};

/// "History kept since <date>.", and " Nothing older was recorded." when the period reaches back
/// further; "No history kept yet." before the ledger's first read.
std::string historyReachLine(const std::optional<std::int64_t>& sinceMicros,
                             bool reachesBeforeHistory);

} // namespace scanbrook
