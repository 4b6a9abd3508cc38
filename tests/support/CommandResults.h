#pragma once

#include "platform/Process.h"

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

/// Command results as the runner makes them, for tests of what is built from them.
namespace scanbrook::testing {

/// `bytes` in a buffer that keeps the runner's spare bytes after its end, filled so that a
/// parser reading ahead reads defined bytes. Move the result; a copy loses the spare bytes.
inline std::string paddedOutput(std::string_view bytes) {
    std::string output(bytes.size() + platform::kOutputPadding, ' ');
    output.replace(0, bytes.size(), bytes);
    output.resize(bytes.size());
    return output;
}

inline platform::CommandResult exitedWith(int status, std::string_view output = {},
                                          std::string path = "/usr/bin/log") {
    platform::CommandResult result;
    result.ending = platform::CommandResult::Ending::Exited;
    result.status = status;
    result.launchPath = std::move(path);
    result.output = paddedOutput(output);
    return result;
}

/// A program that could not be started: 127 when it does not exist, 126 otherwise.
inline platform::CommandResult notStarted(int error, std::string path = "/usr/bin/log") {
    platform::CommandResult result = exitedWith(error == ENOENT ? 127 : 126, {}, std::move(path));
    result.ending = platform::CommandResult::Ending::NotStarted;
    result.startError = error;
    return result;
}

} // namespace scanbrook::testing
