// The simulated Mac's group-listing tool, ROOT/usr/bin/id: "id -G [user]" prints the numeric
// group IDs of an administrator account (see ../README.md for the controls).

#include "Common.h"

#include <sstream>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::string_view kDefaultGroups = "20 12 61 79 80 81 98 701 33 100 204 250 395 398 399";

} // namespace

int main(int argc, char** argv) {
    using namespace scanbrook::sim;
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    if (arguments.empty() || arguments.size() > 2 || arguments[0] != "-G" ||
        (arguments.size() == 2 && arguments[1].empty())) {
        constexpr std::string_view kUsage =
            "usage: id -G [user]\n(the simulated id tool answers only -G)\n";
        [[maybe_unused]] const auto ignored = ::write(STDERR_FILENO, kUsage.data(), kUsage.size());
        return 1;
    }
    const Controls controls("id", findRoot("id", "/usr/bin/id", argv[0]));
    const auto status = controls.integer("id.status").value_or(0);

    Output out(std::nullopt);
    if (const auto replacement = controls.raw("id.output")) {
        out.write(*replacement);
    } else {
        // Like the real tool: IDs separated by single spaces, a line feed after the last.
        std::istringstream groups(controls.raw("id.groups").value_or(std::string(kDefaultGroups)));
        std::string line;
        for (std::string group; groups >> group;) {
            line.append(line.empty() ? "" : " ").append(group);
        }
        out.write(line + "\n");
    }
    out.finish();
    return static_cast<int>(status);
}
