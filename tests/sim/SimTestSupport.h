#pragma once

#include "platform/MacPaths.h"
#include "platform/Process.h"
#include "support/SimRoot.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Running the simulated Mac's tools as real child processes, and reading what they print.
namespace scanbrook::test {

inline constexpr std::int64_t kMicrosPerDay = 86400LL * 1000000;
inline constexpr std::string_view kResourcesFolder =
    "/Library/Apple/System/Library/CoreServices/XProtect.app/Contents/Resources/";
/// A fixed moment (2024-03-05 09:41:07 UTC) for the control "now".
inline constexpr std::int64_t kFixedNowSeconds = 1709631667;

/// The scan-history query's arguments for a period of `days`.
std::vector<std::string> checkQuery(int days);

/// One element of the log tool's JSON output.
struct JsonEntry {
    std::size_t memberCount = 0;
    std::string timestamp;
    std::string eventMessage;
    std::string senderImagePath;
    std::string subsystem;
    std::string category;
};

/// The elements of a JSON array of objects whose members are read as strings where they are
/// strings; nullopt when `output` is not such an array.
std::optional<std::vector<JsonEntry>> parseEntries(const std::string& output);

/// Microseconds since 1970 UTC of a log timestamp "yyyy-MM-dd HH:mm:ss.SSSSSS+hhmm";
/// nullopt when the text has another shape.
std::optional<std::int64_t> timestampMicros(std::string_view text);

std::int64_t systemMicros();

/// A test with its own copy of the simulated root, which SCANBROOK_PLATFORM_ROOT names for
/// every child it starts.
class SimToolTest : public ::testing::Test {
protected:
    platform::CommandResult run(std::string_view macPath,
                                const std::vector<std::string>& arguments = {}) const {
        return platform::runCommand(root.pathOf(macPath), arguments);
    }
    platform::CommandResult runLog(const std::vector<std::string>& arguments) const {
        return run(mac::kLogTool, arguments);
    }

    TempSimRoot root;
    ScopedEnvironment platformRoot{"SCANBROOK_PLATFORM_ROOT", root.path()};
};

} // namespace scanbrook::test
