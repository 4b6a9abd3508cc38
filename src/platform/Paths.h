#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scanbrook::platform {

/// The name of the environment variable that moves every platform path under a folder.
/// Honoured by programs built for platforms other than the Mac, and by test programs (see
/// TestSeam.h).
inline constexpr const char* kPlatformRootVariable = "SCANBROOK_PLATFORM_ROOT";

/// Where the Mac's absolute path `macPath` lives on this machine: the path itself on the
/// Mac, or the path under the simulated root when one is set. Only for platform paths
/// (tools, bundles, the log's folders) — never for a path the user chose.
std::string platformPath(std::string_view macPath);

/// The simulated root in force: absolute, without a trailing "/", empty when none.
/// Read from the environment once, on first use.
const std::string& platformRoot();

/// Whether anything (a file or a folder) exists at `path`, following symbolic links.
bool fileExists(const std::string& path);

/// The absolute path of this program's own executable, symbolic links resolved; nullopt when
/// the system does not say. `argv0`, the program's argv[0], serves where the system names none.
std::optional<std::string> ownExecutablePath(const char* argv0);

/// Reads the environment variable again; for tests that change it in-process.
void reloadPlatformRoot();

/// Pure rule behind platformRoot(): `value` is the variable's text (null when unset),
/// `cwd` the folder a relative root is taken against.
std::string normalisePlatformRoot(const char* value, std::string_view cwd);

} // namespace scanbrook::platform
