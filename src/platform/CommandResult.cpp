#include "platform/Process.h"

#include <cstring>

namespace scanbrook::platform {

namespace {

#if !(defined(__linux__) && defined(__GLIBC__) && !defined(SCANBROOK_PORTABLE_POSIX))
// strerror_r comes in two forms: the POSIX one returns 0 and fills the buffer; glibc's own
// (whenever _GNU_SOURCE is defined, as g++ always does) returns the text, which may lie
// elsewhere. Overloading on the result takes whichever form the library declares.
[[maybe_unused]] const char* strerrorResult(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* strerrorResult(const char* result, const char* /*buffer*/) {
    return result;
}
#endif

/// The system's text for an errno value, in English whatever the user's language: the report
/// around it is English too.
std::string errorText(int error) {
#if defined(__linux__) && defined(__GLIBC__) && !defined(SCANBROOK_PORTABLE_POSIX)
    // Never translated, unlike strerror_r once the application has set a locale.
    if (const char* description = strerrordesc_np(error)) {
        return description;
    }
#else
    // The Mac's C library has no translations, so its text is always English.
    char buffer[256] = {};
    if (const char* text = strerrorResult(strerror_r(error, buffer, sizeof buffer), buffer);
        text != nullptr && *text != '\0') {
        return text;
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
