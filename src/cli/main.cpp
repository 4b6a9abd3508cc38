// scanbrook-cli: the scan-history check and the scan run of the window, for scripts and for
// administrators who look after many Macs. It prints exactly what the window's console would
// show and says through its exit status how things went.
#include "cli/CliArguments.h"
#include "logaccess/LaunchCheckMessages.h"
#include "logaccess/deDysfunction.h"
#include "platform/BuildInfo.h"
#include "platform/Clock.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Terminal.h"
#include "reports/CheckReport.h"
#include "reports/ReportJson.h"
#include "reports/ReportTexts.h"
#include "reports/RunReport.h"
#include "reports/ScanHistoryCheck.h"
#include "reports/ScanRunner.h"
#include "reports/ScanSummary.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace scanbrook;

// The exit statuses scripts rely on.
constexpr int kExitSuccess = 0;
constexpr int kExitWarning = 1;    // a check line got the warning marker
constexpr int kExitToolFailed = 2; // the log tool or the scanner failed or could not start
constexpr int kExitNotInstalled = 3;
constexpr int kExitNoScans = 4; // summary: the log was read and holds no scan
constexpr int kExitUsage = 64;  // EX_USAGE
constexpr int kExitOutput = 74; // EX_IOERR: the report could not be written

constexpr std::string_view kProgramName = "scanbrook-cli";

/// Writes `text` to standard output and makes sure it got there: a report that a script
/// never received must not end with a status that says all is well.
int print(std::string_view text, int status) {
    errno = 0;
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::fprintf(stderr, "%s: could not write to standard output: %s\n", kProgramName.data(),
                     error != 0 ? std::strerror(error) : "write error");
        return kExitOutput;
    }
    return status;
}

/// Replaces the file at `path` with `text` whole, or prints to standard output without a path.
int deliver(std::string_view text, const std::optional<std::string>& path, int status) {
    if (!path) {
        return print(text, status);
    }
    if (const auto failure = platform::replaceFile(*path, text)) {
        std::fprintf(stderr, "%s: %s\n", kProgramName.data(), failure->c_str());
        return kExitOutput;
    }
    return status;
}

int usageError(const std::string& reason) {
    std::fprintf(stderr, "%s: %s\n", kProgramName.data(), reason.c_str());
    const std::string_view usage = cli::usageText();
    std::fwrite(usage.data(), 1, usage.size(), stderr);
    return kExitUsage;
}

/// The log query, with its running entry count on one rewritten line of standard error while a
/// person watches it; the line is blanked again before the result is printed, and a script that
/// reads standard error never sees it.
reports::CheckSummary queryWithProgress(const reports::CheckTexts& texts, std::string& report,
                                        reports::ReportLineObserver* observer = nullptr) {
    if (!platform::standardErrorIsTerminal()) {
        return reports::runLogQuery(texts, report, observer);
    }
    std::size_t shown = 0;
    const reports::CheckSummary summary =
        reports::runLogQuery(texts, report, observer, [&shown](std::uint64_t entries) {
            // Counts only grow, so each text covers the one before it.
            const std::string text = reports::readingProgressText(entries);
            shown = text.size();
            platform::writeStandardError("\r" + text);
        });
    if (shown != 0) {
        platform::writeStandardError("\r" + std::string(shown, ' ') + "\r");
    }
    return summary;
}

int checkStatus(const reports::CheckSummary& check) {
    switch (check.outcome) {
    case reports::CheckOutcome::ToolFailed:
    case reports::CheckOutcome::NoArray:
        return kExitToolFailed;
    case reports::CheckOutcome::Lines:
    case reports::CheckOutcome::NoneFound:
        break;
    }
    return check.anyWarning ? kExitWarning : kExitSuccess;
}

int check(const cli::Request& request) {
    // Like the window, the report is dated with the moment the check starts.
    const platform::TimePoint runDate = platform::SystemClock().now();
    const reports::CheckTexts texts = reports::checkTexts(request.days);
    std::string report = texts.header;
    if (request.json) {
        reports::CheckEventsJson events;
        const reports::CheckSummary check = queryWithProgress(texts, report, &events);
        return deliver(reports::checkJson({request.days, runDate}, check, report, events),
                       request.output, checkStatus(check));
    }
    const reports::CheckSummary check = queryWithProgress(texts, report);
    report += reports::closingLine(runDate);
    report += '\n';
    return deliver(report, request.output, checkStatus(check));
}

int summary(const cli::Request& request) {
    const platform::TimePoint runDate = platform::SystemClock().now();
    const reports::CheckTexts texts = reports::checkTexts(request.days);
    std::string report = texts.header;
    reports::ScanSummaryBuilder builder;
    const reports::CheckSummary check = queryWithProgress(texts, report, &builder);
    const reports::ScanSummary scans = builder.finish(check);

    int status = kExitSuccess;
    switch (scans.verdict) {
    case reports::Verdict::Clean:
        break;
    case reports::Verdict::Warnings:
        status = kExitWarning;
        break;
    case reports::Verdict::LogFailed:
        status = kExitToolFailed;
        break;
    case reports::Verdict::NoScans:
        status = kExitNoScans;
        break;
    }
    const std::string text =
        request.json ? reports::summaryJson({request.days, runDate}, scans, check, report)
                     : reports::summaryText(scans, request.days);
    return deliver(text, request.output, status);
}

int run() {
    const std::string path = reports::xprotectExecutablePath();
    if (!platform::fileExists(path)) {
        std::fprintf(stderr, "XProtect Remediator is not installed: no file at %s\n", path.c_str());
        return kExitNotInstalled;
    }
    const reports::RunOutcome outcome = reports::runXProtectScans();
    return print(outcome.text, outcome.completed ? kExitSuccess : kExitToolFailed);
}

/// The launch checks, every one of them whatever fails, so an admin sees all that is wrong in
/// one go. The clock settings are not opened: this is a report, not a repair.
int doctor() {
    const deDysfunction checks;
    const struct {
        std::string_view name;
        bool (deDysfunction::*check)() const;
        std::string_view failureMessage;
    } inOrder[] = {
        {"checkAdmin", &deDysfunction::checkAdmin, messages::kNotAdmin},
        {"checkPersist", &deDysfunction::checkPersist, messages::kNoLogFiles},
        {"checkTimesync", &deDysfunction::checkTimesync, messages::kNoTimesyncFiles},
        {"checkLogEntries", &deDysfunction::checkLogEntries, messages::kNoLogEntries},
        {"checkLogTimeFormat", &deDysfunction::checkLogTimeFormat, messages::kWrongTimeFormat},
    };
    std::string text;
    bool allPassed = true;
    for (const auto& [name, check, failureMessage] : inOrder) {
        const bool passed = (checks.*check)();
        allPassed = allPassed && passed;
        text += name;
        text += passed ? " ok\n" : " failed\n";
        if (!passed) {
            std::string_view rest = failureMessage;
            while (!rest.empty()) {
                const auto end = rest.find('\n');
                text += "  ";
                text += rest.substr(0, end);
                text += '\n';
                rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
            }
        }
    }
    return print(text, allPassed ? kExitSuccess : kExitWarning);
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const cli::ParsedArguments parsed = cli::parseArguments(arguments);
    if (const auto* error = std::get_if<cli::UsageError>(&parsed)) {
        return usageError(error->reason);
    }
    const cli::Request& request = std::get<cli::Request>(parsed);
    switch (request.command) {
    case cli::Command::Help:
        return print(cli::usageText(), kExitSuccess);
    case cli::Command::Version:
        return print(std::string(kProgramName) + " " + std::string(build::kVersion) + "\n",
                     kExitSuccess);
    case cli::Command::Check:
        return check(request);
    case cli::Command::Summary:
        return summary(request);
    case cli::Command::Run:
        return run();
    case cli::Command::Doctor:
        return doctor();
    }
    return kExitUsage;
}
