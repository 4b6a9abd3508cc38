// The console with a month's report (15,000 lines), offscreen: the console adapter the window
// uses (QtConsole over ConsoleView) next to a bare QPlainTextEdit doing the same — showing the
// report, re-fonting it, appending a notice. Each step includes the event processing that
// follows it (layout and paint), as a user would wait for it.
#include "LogOutput.h"
#include "platform/Clock.h"
#include "platform/Process.h"
#include "platform/qt/ConsoleView.h"
#include "platform/qt/QtUi.h"
#include "reports/CheckReport.h"
#include "reports/ReportTexts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

using namespace scanbrook;

constexpr std::size_t kMonthEntries = 15000;
constexpr double kFontSize = 12.0;

/// The report of a 30-day check over a month of log output, closing line included.
const std::string& monthReport() {
    static const std::string made = [] {
        platform::CommandResult result;
        result.ending = platform::CommandResult::Ending::Exited;
        result.status = 0;
        result.output = bench::makeLogOutput(kMonthEntries);
        result.output.reserve(result.output.size() + platform::kOutputPadding);
        const reports::CheckTexts texts = reports::checkTexts(30);
        std::string report = texts.header;
        reports::buildCheckReport(report, texts, std::move(result));
        report += reports::closingLine(platform::TimePoint(std::chrono::seconds(1709631667)));
        return report;
    }();
    return made;
}

QString toQString(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

/// Lets the view lay out and paint what changed.
void settle() {
    QCoreApplication::processEvents();
}

/// The console as the window has it.
struct AdapterConsole {
    AdapterConsole() {
        view.resize(900, 600);
        view.show();
        settle();
    }
    platform::ConsoleView view;
    platform::QtConsole console{&view};
};

/// A plain QPlainTextEdit in the system's fixed-pitch font.
struct BareConsole {
    BareConsole() {
        QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(kFontSize);
        edit.setFont(font);
        edit.setReadOnly(true);
        edit.setUndoRedoEnabled(false);
        edit.resize(900, 600);
        edit.show();
        settle();
    }
    void setText(std::string_view utf8) { edit.setPlainText(toQString(utf8)); }
    QPlainTextEdit edit;
};

constexpr std::string_view kNotice = reports::kRunCompletionNotice;

void BM_ConsoleShowReport(benchmark::State& state) {
    const std::string& report = monthReport();
    AdapterConsole console;
    for (auto _ : state) {
        console.console.replaceText(report, kFontSize);
        settle();
    }
    state.counters["lines"] = static_cast<double>(kMonthEntries);
}

void BM_BareShowReport(benchmark::State& state) {
    const std::string& report = monthReport();
    BareConsole bare;
    for (auto _ : state) {
        bare.setText(report);
        settle();
    }
    state.counters["lines"] = static_cast<double>(kMonthEntries);
}

void BM_ConsoleRefont(benchmark::State& state) {
    AdapterConsole console;
    console.console.replaceText(monthReport(), kFontSize);
    settle();
    double size = kFontSize;
    for (auto _ : state) {
        // One point larger, then back, as incFontSize and decFontSize would.
        size = size == kFontSize ? kFontSize + 1 : kFontSize;
        console.console.refont(size);
        settle();
    }
}

void BM_BareRefont(benchmark::State& state) {
    BareConsole bare;
    bare.setText(monthReport());
    settle();
    double size = kFontSize;
    for (auto _ : state) {
        size = size == kFontSize ? kFontSize + 1 : kFontSize;
        QTextCharFormat format;
        format.setFontPointSize(size);
        QTextCursor cursor(bare.edit.document());
        cursor.select(QTextCursor::Document);
        cursor.mergeCharFormat(format);
        settle();
    }
}

/// Appending grows the text, so the report is shown again (untimed) before each append.
void BM_ConsoleAppendNotice(benchmark::State& state) {
    AdapterConsole console;
    for (auto _ : state) {
        state.PauseTiming();
        console.console.replaceText(monthReport(), kFontSize);
        settle();
        state.ResumeTiming();
        console.console.appendText(kNotice, kFontSize);
        settle();
    }
}

void BM_BareAppendNotice(benchmark::State& state) {
    BareConsole bare;
    const QString notice = toQString(kNotice);
    for (auto _ : state) {
        state.PauseTiming();
        bare.setText(monthReport());
        settle();
        state.ResumeTiming();
        QTextCursor cursor(bare.edit.document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(notice);
        settle();
    }
}

BENCHMARK(BM_ConsoleShowReport)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_BareShowReport)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_ConsoleRefont)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_BareRefont)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);
BENCHMARK(BM_ConsoleAppendNotice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);
BENCHMARK(BM_BareAppendNotice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

} // namespace

int main(int argc, char** argv) {
    // Offscreen unless told otherwise: the benchmark needs no display.
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
