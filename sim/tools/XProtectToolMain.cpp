// The simulated Mac's XProtect command-line tool, ROOT/usr/bin/xprotect (macOS 15 and later):
// "xprotect status" says whether launch and background scans are enabled, "xprotect version"
// gives the data's version (see ../README.md for the controls).

#include "Common.h"

#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

using namespace scanbrook::sim;

constexpr std::string_view kDataVersion = "5298";

/// "enabled" unless the control holds "disabled" (or anything else, passed on as it is).
std::string setting(const Controls& controls, std::string_view name) {
    std::string value = controls.raw(name).value_or("enabled");
    while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) {
        value.pop_back();
    }
    return value;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.size() != 1 || (arguments[0] != "status" && arguments[0] != "version")) {
        constexpr std::string_view kUsage =
            "usage: xprotect status | version\n(the simulated xprotect tool answers only these)\n";
        [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, kUsage.data(), kUsage.size());
        return 64;
    }
    const Controls controls("xprotect", findRoot("xprotect", "/usr/bin/xprotect", argv[0]));
    const auto status = controls.integer("xprotect-tool.status").value_or(0);
    if (const auto delay = controls.seconds("xprotect-tool.delay")) {
        sleepSeconds(*delay);
    }
    Output out(std::nullopt);
    if (const auto replacement = controls.raw("xprotect-tool.output")) {
        out.write(*replacement);
    } else if (arguments[0] == "status") {
        out.write("Launch scans: " + setting(controls, "xprotect-tool.launch-scans") + "\n");
        out.write("Background scans: " + setting(controls, "xprotect-tool.background-scans") +
                  "\n");
    } else {
        out.write("Version: " + std::string(kDataVersion) + "\n");
    }
    out.finish();
    return static_cast<int>(status);
}
