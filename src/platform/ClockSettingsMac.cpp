#include "platform/AppleScript.h"

#include "platform/MacPaths.h"
#include "platform/Paths.h"
#include "platform/Process.h"

#include <string_view>
#include <vector>

namespace scanbrook::platform {

void runAppleScript(const std::string& source) {
    // osascript takes each line of a script as its own -e argument, so no shell and no temporary
    // file is involved.
    std::vector<std::string> arguments;
    std::string_view rest = source;
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        arguments.emplace_back("-e");
        arguments.emplace_back(rest.substr(0, end));
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
    // Through the platform root, so that a test program on a Mac (see TestSeam.h) never drives
    // the real System Settings; the shipped application has no root and runs the real tool.
    (void)runCommand(platformPath(mac::kOsaScript), arguments);
}

} // namespace scanbrook::platform
