#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

/// The per-user launchd agent that keeps the scan history while Scanbrook is closed: it runs
/// "scanbrook-cli record" at login and every six hours. The command line and the window share
/// this, so both install, remove and describe it alike.
namespace scanbrook::agent {

inline constexpr std::string_view kLabel = "org.scanbrook.Scanbrook.record";
inline constexpr std::int64_t kRecordIntervalSeconds = 6 * 60 * 60;

/// The agent's files for the effective user, as paths of this machine.
struct AgentFiles {
    std::string propertyList; ///< ~/Library/LaunchAgents/<label>.plist
    std::string logFolder;    ///< ~/Library/Logs/Scanbrook
    std::string errorLog;     ///< what a record run says on standard error
};
AgentFiles agentFiles();

/// The property list that has launchd run `program record`.
std::string agentPropertyList(const std::string& program, const AgentFiles& files);

enum class Loaded { Yes, No, Unknown };

struct AgentStatus {
    bool installed = false; ///< the property list is there
    Loaded loaded = Loaded::Unknown;
    /// launchctl's exit status when it could not say whether the agent is loaded.
    int launchctlStatus = 0;
    /// The program the installed property list runs; nullopt when it names none.
    std::optional<std::string> program;
    bool programPresent = false;

    /// Whether history is being kept: installed, loaded, and its program is there.
    bool keeping() const { return installed && loaded == Loaded::Yes && programPresent; }
};

/// Asks the files and launchd (through launchctl print) how the agent stands.
AgentStatus agentStatus();

enum class Result { Done, Refused, LaunchctlFailed, FileFailed };

struct Outcome {
    Result result = Result::Done;
    /// What happened, one or more lines, each ending with a line feed.
    std::string message;
};

/// Writes the property list for `program` and loads it. Either the agent ends installed and
/// loaded, or nothing of it is left; run again, it changes nothing when all is in place, and
/// rewrites a list that runs another program (an app that was moved).
Outcome installAgent(const std::string& program);

/// Unloads the agent and removes its files; nothing to do when it is not installed. When
/// launchctl fails, the agent stays as it was.
Outcome removeAgent();

/// The status as lines of text; `lastRecorded` is the ledger's last read, if known.
std::string statusText(const AgentStatus& status, const std::optional<std::string>& lastRecorded);

} // namespace scanbrook::agent
