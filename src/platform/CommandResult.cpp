#include "platform/Process.h"

#include <cstring>

namespace scanbrook::platform {

namespace {

/// The system's text for an errno value, in English whatever the user's language: the report
/// around it is English too.
std::string errorText(int error) {
#if defined(__GLIBC__)
    if (const char* description = strerrordesc_np(error)) {
        return description;
    }
#else
    char buffer[256] = {};
    if (strerror_r(error, buffer, sizeof buffer) == 0) {
        return buffer;
    }
#endif
    return "Unknown error " + std::to_string(error);
}

} // namespace

std::string CommandResult::startFailureText() const {
    if (started()) {
        return {};
    }
    return launchPath + " could not be started: " + errorText(startError) + ".";
}

} // namespace scanbrook::platform
