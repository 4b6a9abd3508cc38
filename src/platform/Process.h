#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace scanbrook::platform {

/// Spare bytes kept after the end of CommandResult::output, so that a JSON parser that reads
/// ahead in blocks can parse it in place (at least SIMDJSON_PADDING).
inline constexpr std::size_t kOutputPadding = 64;

struct CommandResult {
    enum class Ending { Exited, Signalled, NotStarted };
    Ending ending = Ending::NotStarted;
    /// The exit status; the signal number for a child killed by a signal; 127 when there is no
    /// such program and 126 when it exists but cannot be executed.
    int status = 127;
    /// errno of a failure to start; 0 otherwise.
    int startError = 0;
    /// The path actually tried.
    std::string launchPath;
    /// Whether the child was killed for running past its time limit (Ending::Signalled).
    bool timedOut = false;
    /// Every byte the child wrote to its standard output. Its capacity always keeps
    /// kOutputPadding spare bytes beyond its size.
    std::string output;

    bool started() const { return ending != Ending::NotStarted; }
    /// "<path> could not be started: <the system's error text>." for a start failure; empty
    /// otherwise.
    std::string startFailureText() const;
};

/// Runs the program at `path` with `arguments` (argv[1…]) without a shell: standard output
/// to a pipe read to its end, only then the wait for the exit; standard input and standard
/// error inherited; every other descriptor closed in the child. Never throws.
/// `onOutput`, when set, is called on the calling thread after each piece of standard output
/// arrives, with all of it so far; it must not throw.
/// `errors` Discarded sends the child's standard error to /dev/null instead, for a question whose
/// expected "no" the child says there.
using OutputObserver = std::function<void(std::string_view outputSoFar)>;
enum class StandardError { Inherited, Discarded };
CommandResult runCommand(const std::string& path, const std::vector<std::string>& arguments,
                         const OutputObserver& onOutput = {},
                         StandardError errors = StandardError::Inherited);

/// The same for a program that may hang: once `limit` has passed without the end of its
/// output, the child is killed with SIGKILL and the result says timedOut. What it wrote until
/// then is kept.
CommandResult runCommandWithin(const std::string& path, const std::vector<std::string>& arguments,
                               std::chrono::milliseconds limit);

} // namespace scanbrook::platform
