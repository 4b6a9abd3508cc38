// Responsiveness: while the real window, offscreen, runs a 30-day check over a month of log
// output (15,000 entries, about 26 MB, printed by the simulated log tool), a 5 ms timer on the
// main thread records how late it fires, up to and including the tick that waited for the final
// console update (showing the report, on the main thread by design): that update is the longest
// the window freezes. For comparison, a bare QPlainTextEdit of the console's size and font
// showing the same text, laid out and painted.
#include "LogOutput.h"
#include "app/MainWindow.h"
#include "platform/Paths.h"
#include "platform/qt/AppIdentity.h"
#include "platform/qt/BusyIndicator.h"
#include "platform/qt/ConsoleView.h"
#include "platform/qt/MainQueue.h"
#include "support/SimRoot.h"
#include "window/ViewController.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFontDatabase>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextDocument>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

using namespace scanbrook;

constexpr int kTimerIntervalMs = 5;
constexpr std::size_t kMonthEntries = 15000;

/// A 5 ms timer that notes how much later than due each tick arrives, while recording.
class LatenessProbe {
public:
    LatenessProbe() {
        timer.setTimerType(Qt::PreciseTimer);
        timer.setInterval(kTimerIntervalMs);
        QObject::connect(&timer, &QTimer::timeout, [this] { tick(); });
    }

    void start() {
        worstMs = 0;
        lastMs = 0;
        ticks = 0;
        recording = true;
        lastNoted = false;
        clock.start();
        last = 0;
        timer.start();
    }
    void stop() { timer.stop(); }

    /// Called on every tick, before its lateness is noted.
    std::function<void()> onTick;
    /// Whether ticks are noted; onTick may set lastNoted to note this tick and no later one.
    bool recording = false;
    bool lastNoted = false;
    double worstMs = 0;
    /// The lateness of the last tick noted.
    double lastMs = 0;
    long ticks = 0;

private:
    void tick() {
        const qint64 now = clock.nsecsElapsed();
        // First: it may stop the recording, this tick included.
        if (onTick) {
            onTick();
        }
        if (recording) {
            lastMs = static_cast<double>(now - last) / 1e6 - kTimerIntervalMs;
            worstMs = std::max(worstMs, lastMs);
            ++ticks;
            recording = !lastNoted;
        }
        last = now;
    }

    QTimer timer;
    QElapsedTimer clock;
    qint64 last = 0;
};

/// The window on a private copy of the simulated Mac whose log tool prints a month of output.
struct CheckSetup {
    CheckSetup() {
        root.setControl("log.query.output", bench::makeLogOutput(kMonthEntries));
        ::setenv(platform::kPlatformRootVariable, root.path().c_str(), 1);
        platform::reloadPlatformRoot();
        mainQueue = std::make_shared<platform::MainQueue>();
        window = std::make_unique<MainWindow>(mainQueue);
        console = window->findChild<platform::ConsoleView*>(QStringLiteral("outputTextbox"));
        spinner = window->findChild<platform::BusyIndicator*>(QStringLiteral("busySpinner"));
        auto* period = window->findChild<QLineEdit*>(QStringLiteral("textTimePeriod"));
        if (console == nullptr || spinner == nullptr || period == nullptr) {
            throw std::runtime_error("the window lacks its console, spinner or period field");
        }
        period->setText(QStringLiteral("30"));
        window->show();
        QCoreApplication::processEvents();
    }
    ~CheckSetup() {
        window.reset();
        mainQueue->close();
    }

    test::TempSimRoot root;
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::unique_ptr<MainWindow> window;
    platform::ConsoleView* console = nullptr;
    platform::BusyIndicator* spinner = nullptr;
};

/// Milliseconds a bare QPlainTextEdit of `like`'s size, in the system's fixed-pitch font at the
/// console's size, takes to show `text`, laid out and painted.
double bareShowMs(const QPlainTextEdit& like, const QString& text) {
    QPlainTextEdit bare;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(12.0);
    bare.setFont(font);
    bare.setReadOnly(true);
    bare.setUndoRedoEnabled(false);
    bare.resize(like.size());
    bare.show();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    bare.setPlainText(text);
    QCoreApplication::processEvents();
    return static_cast<double>(clock.nsecsElapsed()) / 1e6;
}

void BM_CheckLateness(benchmark::State& state) {
    std::optional<CheckSetup> setup;
    try {
        setup.emplace();
    } catch (const std::exception& error) {
        state.SkipWithError(error.what());
        return;
    }
    LatenessProbe probe;
    double worstMs = 0;
    double worstFinalMs = 0;
    double worstBareMs = 0;
    double longestCheckMs = 0;
    long ticks = 0;
    bool shown = true;
    for (auto _ : state) {
        bool reportArrived = false;
        const auto connection =
            QObject::connect(setup->console->document(), &QTextDocument::contentsChanged,
                             [&] { reportArrived = true; });
        QEventLoop loop;
        QElapsedTimer checkClock;
        double checkMs = 0;
        probe.onTick = [&] {
            // The first tick after the report arrived waited for the final console update: it
            // is the last one noted.
            if (reportArrived && probe.recording) {
                probe.lastNoted = true;
                checkMs = static_cast<double>(checkClock.nsecsElapsed()) / 1e6;
            }
            if (reportArrived && setup->spinner->isHidden()) {
                loop.quit();
            }
        };
        probe.start();
        checkClock.start();
        QTimer::singleShot(0, [&] { setup->window->viewController().doCheckXPR(); });
        loop.exec();
        probe.stop();
        QObject::disconnect(connection);
        worstMs = std::max(worstMs, probe.worstMs);
        worstFinalMs = std::max(worstFinalMs, probe.lastMs);
        longestCheckMs = std::max(longestCheckMs, checkMs);
        ticks += probe.ticks;
        shown = shown && setup->console->document()->blockCount() > static_cast<int>(kMonthEntries);
        state.PauseTiming();
        worstBareMs =
            std::max(worstBareMs, bareShowMs(*setup->console, setup->console->toPlainText()));
        state.ResumeTiming();
    }
    if (!shown) {
        state.SkipWithError("the report did not reach the console");
        return;
    }
    state.counters["worst_lateness_ms"] = worstMs;
    state.counters["final_update_lateness_ms"] = worstFinalMs;
    state.counters["bare_show_ms"] = worstBareMs;
    state.counters["longest_check_ms"] = longestCheckMs;
    state.counters["ticks"] = static_cast<double>(ticks);
}

/// The same timer with nothing else going on, for comparison: what the machine itself adds.
void BM_IdleLateness(benchmark::State& state) {
    LatenessProbe probe;
    double worstMs = 0;
    for (auto _ : state) {
        QEventLoop loop;
        QTimer::singleShot(500, &loop, &QEventLoop::quit);
        probe.onTick = nullptr;
        probe.start();
        loop.exec();
        probe.stop();
        worstMs = std::max(worstMs, probe.worstMs);
    }
    state.counters["worst_lateness_ms"] = worstMs;
}

BENCHMARK(BM_CheckLateness)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_IdleLateness)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

int main(int argc, char** argv) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // The window's settings go to a folder of this run's own, not the user's.
    char settings[] = "/tmp/scanbrook-bench-settings-XXXXXX";
    if (::mkdtemp(settings) == nullptr) {
        return 70;
    }
    ::setenv("XDG_CONFIG_HOME", settings, 1);
    QCoreApplication::setOrganizationName(platform::organizationName());
    QCoreApplication::setOrganizationDomain(platform::organizationDomain());
    QCoreApplication::setApplicationName(platform::applicationName());
    int status = 0;
    {
        QApplication app(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        benchmark::Initialize(&argc, argv);
        if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
            status = 1;
        } else {
            benchmark::RunSpecifiedBenchmarks();
            benchmark::Shutdown();
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(settings, ignored);
    return status;
}
