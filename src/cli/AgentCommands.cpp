// agent: the launchd agent that keeps the scan history in the background.
#include "agent/BackgroundAgent.h"
#include "cli/CliOutput.h"
#include "cli/Commands.h"
#include "ledger/Ledger.h"
#include "ledger/LedgerReads.h"
#include "platform/Paths.h"

#include <cstdio>

namespace scanbrook::cli {

namespace {

int exitStatus(agent::Result result) {
    switch (result) {
    case agent::Result::Done:
        return kExitSuccess;
    case agent::Result::Refused:
        return kExitNoPermission;
    case agent::Result::LaunchctlFailed:
        return kExitToolFailed;
    case agent::Result::FileFailed:
        return kExitOutput;
    }
    return kExitToolFailed;
}

int finish(const agent::Outcome& outcome) {
    if (outcome.result == agent::Result::Done) {
        return print(outcome.message, kExitSuccess);
    }
    std::fwrite(outcome.message.data(), 1, outcome.message.size(), stderr);
    return exitStatus(outcome.result);
}

int install(const char* argv0) {
    const std::optional<std::string> self = platform::ownExecutablePath(argv0);
    if (!self) {
        complain("agent install: cannot tell where this program lies");
        return kExitToolFailed;
    }
    return finish(agent::installAgent(*self));
}

/// When the ledger last got the log's events: what the agent is for.
std::optional<std::string> lastRecordedText() {
    const std::string path = ledger::defaultLedgerPath();
    const std::optional<ledger::ReadsMark> mark = ledger::readsMark(path);
    if (!mark) {
        return "unknown: the scan ledger at " + path + " could not be read";
    }
    return mark->lastRecordedMicros ? ledger::sinceText(*mark->lastRecordedMicros)
                                    : std::string("never");
}
int status() {
    const agent::AgentStatus status = agent::agentStatus();
    const int exit = status.keeping()                          ? kExitSuccess
                     : status.loaded == agent::Loaded::Unknown ? kExitToolFailed
                     : status.installed                        ? kExitWarning
                                                               : kExitNotInstalled;
    return print(agent::statusText(status, lastRecordedText()), exit);
}

} // namespace

int agent(std::span<const std::string_view> arguments, const char* argv0) {
    if (arguments.size() == 1 && arguments[0] == "install") {
        return install(argv0);
    }
    if (arguments.size() == 1 && arguments[0] == "remove") {
        return finish(agent::removeAgent());
    }
    if (arguments.size() == 1 && arguments[0] == "status") {
        return status();
    }
    if (arguments.size() == 1 && arguments[0] == "--help") {
        return print(usageText(), kExitSuccess);
    }
    complain(arguments.empty() ? "agent needs install, remove or status"
                               : "agent takes one of install, remove or status");
    std::fwrite(usageText().data(), 1, usageText().size(), stderr);
    return kExitUsage;
}

} // namespace scanbrook::cli
