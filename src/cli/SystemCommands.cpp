// run and doctor: what scanbrook-cli does to and asks of the system beyond the log's report.
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "logaccess/LaunchCheckMessages.h"
#include "logaccess/deDysfunction.h"
#include "platform/Paths.h"
#include "protection/ProtectionStatus.h"
#include "reports/RunReport.h"
#include "reports/ScanRunner.h"

#include <cstdio>
#include <string>
#include <string_view>

namespace scanbrook::cli {

int run(const Request&) {
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
int doctor(const Request&) {
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
    // What XProtect itself is set to: information beside the checks, never a failure of one.
    text += "XProtect (information):\n";
    for (const std::string& line :
         protection::protectionLines(protection::readProtectionStatus())) {
        text += "  " + line + "\n";
    }
    return print(text, allPassed ? kExitSuccess : kExitWarning);
}

} // namespace scanbrook::cli
