#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace scanbrook::platform {

/// Writes `bytes` directly into the file at `path` (created or truncated; no temporary file).
/// Returns nullopt on success, or a sentence describing the failure for the user — any failure
/// at all, including a short write or a failing close, counts.
std::optional<std::string> writeFile(const std::string& path, std::string_view bytes);

/// Writes `bytes` to a new file beside `path` and renames it over `path`, so that a reader sees
/// the old file or the whole new one, never a part. A symbolic link is followed and its target
/// replaced (created when missing); a hard link is split, the other names keeping the old
/// content. An existing file keeps its mode; a new one gets what the umask leaves of 0666.
/// Anything but a regular file (a directory, FIFO, socket or device) is refused untouched.
/// Returns nullopt on success, or one line saying what failed; the temporary file is removed
/// then.
std::optional<std::string> replaceFile(const std::string& path, std::string_view bytes);

/// Whether a folder exists at `path` (following symbolic links), can be listed, and holds at
/// least one entry of any name or kind.
bool directoryHoldsEntries(const std::string& path);

} // namespace scanbrook::platform
