#include "agent/BackgroundAgent.h"

#include "platform/Files.h"
#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/PropertyList.h"
#include "platform/UserInfo.h"

#include <vector>

namespace scanbrook::agent {

namespace {

/// launchctl print's status for a service that is not loaded ("Could not find service").
constexpr int kServiceNotFound = 113;

/// A property list of ours is a kilobyte; anything far larger is not one.
constexpr std::size_t kMaxPropertyListBytes = 256U * 1024U;

constexpr std::string_view kRootRefusal =
    "The background agent belongs to a user's session and is not installed as root.\n"
    "To keep the history of a whole Mac, install the LaunchDaemon described in docs/fleet.md.\n";

std::string domain() {
    return "gui/" + std::to_string(platform::effectiveUserId());
}

std::string serviceTarget() {
    return domain() + "/" + std::string(kLabel);
}

platform::CommandResult launchctl(std::vector<std::string> arguments) {
    return platform::runCommand(platform::platformPath(mac::kLaunchctl), arguments);
}

/// launchctl print: "not loaded" is an answer here, not a failure to show the user.
platform::CommandResult launchctlPrint() {
    return platform::runCommand(platform::platformPath(mac::kLaunchctl), {"print", serviceTarget()},
                                {}, platform::StandardError::Discarded);
}

std::string failureText(std::string_view verb, const platform::CommandResult& result) {
    if (!result.started()) {
        return result.startFailureText();
    }
    return "launchctl " + std::string(verb) + " failed with status " +
           std::to_string(result.status) + ".";
}

Outcome refusedAsRoot() {
    return {Result::Refused, std::string(kRootRefusal)};
}

bool runningAsRoot() {
    return platform::effectiveUserId() == 0;
}

/// Removes what install may have left of the agent's files.
void removeFiles(const AgentFiles& files) {
    platform::removeFile(files.propertyList);
    platform::removeFolderIfEmpty(files.logFolder);
}

} // namespace

AgentFiles agentFiles() {
    const std::string home = platform::homeDirectory();
    const std::string base = home == "/" ? std::string() : home;
    AgentFiles files;
    files.propertyList =
        platform::platformPath(base + "/Library/LaunchAgents/" + std::string(kLabel) + ".plist");
    files.logFolder = platform::platformPath(base + "/Library/Logs/Scanbrook");
    files.errorLog = files.logFolder + "/record.log";
    return files;
}

std::string agentPropertyList(const std::string& program, const AgentFiles& files) {
    return platform::xmlPropertyList({
        {"Label", std::string(kLabel)},
        {"ProgramArguments", std::vector<std::string>{program, "record"}},
        {"StartInterval", kRecordIntervalSeconds},
        {"RunAtLoad", true},
        {"ProcessType", std::string("Background")},
        {"LowPriorityIO", true},
        {"StandardErrorPath", files.errorLog},
    });
}

AgentStatus agentStatus() {
    const AgentFiles files = agentFiles();
    AgentStatus status;
    const std::optional<std::string> list =
        platform::readSmallFile(files.propertyList, kMaxPropertyListBytes);
    status.installed = platform::fileExists(files.propertyList);
    if (list) {
        const auto arguments = platform::parseTextArray(*list, "ProgramArguments");
        if (arguments && !arguments->empty() && !arguments->front().empty()) {
            status.program = arguments->front();
            status.programPresent = platform::fileExists(*status.program);
        }
    }
    const platform::CommandResult printed = launchctlPrint();
    if (printed.started() && printed.status == 0 &&
        printed.ending == platform::CommandResult::Ending::Exited) {
        status.loaded = Loaded::Yes;
    } else if (printed.started() && printed.status == kServiceNotFound) {
        status.loaded = Loaded::No;
    } else {
        status.launchctlStatus = printed.status;
    }
    return status;
}

Outcome installAgent(const std::string& program) {
    if (runningAsRoot()) {
        return refusedAsRoot();
    }
    if (program.empty() || program.front() != '/' || !platform::fileExists(program)) {
        return {Result::FileFailed,
                "There is no scanbrook-cli at " + program + " for the background agent to run.\n"};
    }
    const AgentFiles files = agentFiles();
    const std::string list = agentPropertyList(program, files);
    const AgentStatus before = agentStatus();
    if (before.loaded == Loaded::Unknown) {
        return {Result::LaunchctlFailed, "launchctl print failed with status " +
                                             std::to_string(before.launchctlStatus) +
                                             "; nothing was changed.\n"};
    }
    if (before.loaded == Loaded::Yes &&
        platform::readSmallFile(files.propertyList, kMaxPropertyListBytes) == list) {
        return {Result::Done, "The background agent is already installed and loaded (" +
                                  files.propertyList + ").\n"};
    }
    // launchd reads the list only when it loads it: a changed list takes effect after an
    // unload and a load.
    if (before.loaded == Loaded::Yes) {
        const platform::CommandResult unloaded = launchctl({"bootout", serviceTarget()});
        if (!unloaded.started() || unloaded.status != 0) {
            return {Result::LaunchctlFailed, failureText("bootout", unloaded) +
                                                 " The background agent was left as it was.\n"};
        }
    }
    const std::string folder = files.propertyList.substr(0, files.propertyList.find_last_of('/'));
    for (const std::string& path : {folder, files.logFolder}) {
        if (auto failure = platform::makeFolders(path)) {
            removeFiles(files);
            return {Result::FileFailed, *failure + "\nThe background agent is not installed.\n"};
        }
    }
    if (auto failure = platform::replaceFile(files.propertyList, list)) {
        removeFiles(files);
        return {Result::FileFailed, *failure + "\nThe background agent is not installed.\n"};
    }
    const platform::CommandResult loaded = launchctl({"bootstrap", domain(), files.propertyList});
    if (!loaded.started() || loaded.status != 0) {
        removeFiles(files);
        return {Result::LaunchctlFailed,
                failureText("bootstrap", loaded) + " The background agent is not installed.\n"};
    }
    return {Result::Done, "Installed the background agent: " + program +
                              " record runs at login and every 6 hours.\nProperty list: " +
                              files.propertyList + "\n"};
}

Outcome removeAgent() {
    if (runningAsRoot()) {
        return refusedAsRoot();
    }
    const AgentFiles files = agentFiles();
    const AgentStatus before = agentStatus();
    if (before.loaded == Loaded::Unknown) {
        return {Result::LaunchctlFailed, "launchctl print failed with status " +
                                             std::to_string(before.launchctlStatus) +
                                             "; nothing was changed.\n"};
    }
    if (!before.installed && before.loaded == Loaded::No) {
        return {Result::Done, "The background agent is not installed.\n"};
    }
    if (before.loaded == Loaded::Yes) {
        const platform::CommandResult unloaded = launchctl({"bootout", serviceTarget()});
        if (!unloaded.started() || unloaded.status != 0) {
            return {Result::LaunchctlFailed, failureText("bootout", unloaded) +
                                                 " The background agent is still installed.\n"};
        }
    }
    if (auto failure = platform::removeFile(files.propertyList)) {
        return {Result::FileFailed, *failure + "\n"};
    }
    // What the agent's runs said is of no use without the agent.
    platform::removeFile(files.errorLog);
    platform::removeFolderIfEmpty(files.logFolder);
    return {Result::Done, "Removed the background agent (" + files.propertyList + ").\n"};
}

std::string statusText(const AgentStatus& status, const std::optional<std::string>& lastRecorded) {
    const AgentFiles files = agentFiles();
    std::string text = "Background agent: ";
    if (!status.installed) {
        text += status.loaded == Loaded::Yes ? "loaded, but its property list is gone\n"
                                             : "not installed\n";
        text += "History is kept only while Scanbrook checks; \"scanbrook-cli agent install\" "
                "keeps it in the background.\n";
    } else {
        switch (status.loaded) {
        case Loaded::Yes:
            text += "installed and loaded\n";
            break;
        case Loaded::No:
            text += "installed, but not loaded (\"scanbrook-cli agent install\" loads it)\n";
            break;
        case Loaded::Unknown:
            text += "installed; launchctl print failed with status " +
                    std::to_string(status.launchctlStatus) + "\n";
            break;
        }
        text += "Property list: " + files.propertyList + "\n";
        if (!status.program) {
            text += "Program: none named; \"scanbrook-cli agent install\" rewrites the list\n";
        } else if (!status.programPresent) {
            text += "Program: " + *status.program +
                    " is gone (was Scanbrook moved?); \"scanbrook-cli agent install\" points the "
                    "agent at this copy\n";
        } else {
            text += "Program: " + *status.program + " record, at login and every 6 hours\n";
        }
    }
    if (lastRecorded) {
        text += "Last recorded: " + *lastRecorded + "\n";
    }
    return text;
}

} // namespace scanbrook::agent
