// run and doctor: what scanbrook-cli does to and asks of the system beyond the log's report.
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "logaccess/deDysfunction.h"
#include "platform/Bundle.h"
#include "platform/JsonWriter.h"
#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "protection/ProtectionStatus.h"
#include "reports/ScanRunner.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scanbrook::cli {

namespace {

/// One launch check as the doctor names it, and what to do from the command line when it fails.
struct DoctorCheck {
    std::string_view id;
    std::string_view name;
    bool (deDysfunction::*check)() const;
    std::string remedy;
};

/// What the doctor found.
struct Findings {
    struct Outcome {
        const DoctorCheck* check;
        bool passed;
    };
    std::vector<Outcome> outcomes;
    bool allPassed = true;
    bool xprotectInstalled = false;
    /// The installed version, or nullopt when the bundle does not say.
    std::optional<std::string> xprotectVersion;
    /// What XProtect itself is set to: information beside the checks, never a failure of one.
    protection::ProtectionStatus protection;
};

std::vector<DoctorCheck> doctorChecks() {
    const std::string persist = platform::platformPath(mac::kLogStoreDirectory);
    const std::string timesync = platform::platformPath(mac::kLogTimesyncDirectory);
    const std::string logConfig = "run 'sudo log config --status' to see whether the log is kept";
    return {
        {"admin", "Admin group", &deDysfunction::checkAdmin,
         "You are not in the admin group: run with sudo, or as an administrator."},
        {"log_persistence", "Log persistence", &deDysfunction::checkPersist,
         "No log store files in " + persist + ": " + logConfig + "."},
        {"time_synchronisation", "Time synchronisation", &deDysfunction::checkTimesync,
         "No timesync files in " + timesync + ": " + logConfig + "."},
        {"recent_log_entries", "Recent log entries", &deDysfunction::checkLogEntries,
         "The log tool gave no entries: run 'log show --last 1m' to see what it says."},
        {"log_time_format", "Log time format", &deDysfunction::checkLogTimeFormat,
         "The log's times are not in 24-hour form: run 'defaults write -g "
         "AppleICUForce24HourTime -bool true', or choose 24-hour time in System Settings > "
         "General > Language & Region."},
    };
}

constexpr std::string_view kXProtectName = "XProtect Remediator";
/// The width of the name column: the longest name and two spaces.
constexpr std::size_t kNameColumn = 22;

std::string padded(std::string_view name) {
    std::string text(name);
    text.resize(std::max(kNameColumn, name.size() + 2), ' ');
    return text;
}

std::string doctorText(const Findings& found) {
    std::string text;
    for (const auto& [check, passed] : found.outcomes) {
        text += padded(check->name) + (passed ? "ok\n" : "failed\n");
        if (!passed) {
            text += "  " + check->remedy + "\n";
        }
    }
    text += padded(kXProtectName);
    if (!found.xprotectInstalled) {
        text += "not installed\n  " + reports::notInstalledText() + "\n";
    } else {
        text += "installed, version " + found.xprotectVersion.value_or("unknown") + "\n";
    }
    text += "XProtect (information):\n";
    for (const std::string& line : protection::protectionLines(found.protection)) {
        text += "  " + line + "\n";
    }
    return text;
}

std::string doctorJson(const Findings& found) {
    platform::JsonWriter json;
    json.beginObject();
    json.key("format_version").number(1);
    json.key("all_passed").boolean(found.allPassed);
    json.key("checks").beginArray();
    for (const auto& [check, passed] : found.outcomes) {
        json.beginObject();
        json.key("id").string(check->id);
        json.key("name").string(check->name);
        json.key("passed").boolean(passed);
        json.key("remedy").nullableString(passed ? std::nullopt
                                                 : std::optional<std::string_view>(check->remedy));
        json.endObject();
    }
    json.endArray();
    json.key("xprotect_remediator").beginObject();
    json.key("installed").boolean(found.xprotectInstalled);
    json.key("version").nullableString(found.xprotectVersion);
    json.endObject();
    json.key("notes").beginArray();
    for (const protection::Note& note : protection::protectionNotes(found.protection)) {
        json.beginObject();
        json.key("code").string(note.code);
        json.key("text").string(note.text);
        json.endObject();
    }
    json.endArray();
    json.endObject();
    return json.text() + "\n";
}

} // namespace

int run(const Request&) {
    if (!reports::xprotectInstalled()) {
        const std::string text = reports::notInstalledText() + "\n";
        std::fwrite(text.data(), 1, text.size(), stderr);
        return kExitNotInstalled;
    }
    const reports::RunOutcome outcome = reports::runXProtectScans();
    if (!outcome.completed) {
        // Standard output keeps the notice the window shows; standard error says why alone.
        complain("the scans failed: " + oneLine(outcome.text));
    }
    return print(outcome.text, outcome.completed ? kExitSuccess : kExitToolFailed);
}

/// The launch checks, every one of them whatever fails, so an admin sees all that is wrong in
/// one go, and the scanner they are about. The clock settings are not opened: this is a report,
/// not a repair.
int doctor(const Request& request) {
    const deDysfunction checks;
    const std::vector<DoctorCheck> inOrder = doctorChecks();
    Findings found;
    for (const DoctorCheck& check : inOrder) {
        const bool passed = (checks.*check.check)();
        found.allPassed = found.allPassed && passed;
        found.outcomes.push_back({&check, passed});
    }
    found.xprotectInstalled = reports::xprotectInstalled();
    found.xprotectVersion =
        platform::bundleShortVersion(platform::platformPath(mac::kXProtectBundle));
    found.protection = protection::readProtectionStatus();
    return print(request.json ? doctorJson(found) : doctorText(found),
                 found.allPassed ? kExitSuccess : kExitWarning);
}

} // namespace scanbrook::cli
