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

/// The whole content of the regular file at `path` when it holds at most `maxBytes`; nullopt
/// when there is none, it cannot be read, or it is larger.
std::optional<std::string> readSmallFile(const std::string& path, std::size_t maxBytes);

/// Creates the folder at `path` and any missing folders on the way (mode 0755). Returns nullopt
/// when the folder exists afterwards, or one line saying what failed.
std::optional<std::string> makeFolders(const std::string& path);

/// Removes the file at `path`; nothing to do when there is none. Returns nullopt when no file is
/// left there, or one line saying what failed.
std::optional<std::string> removeFile(const std::string& path);

/// Removes the folder at `path` when it is empty; leaves it (and says nothing) otherwise.
void removeFolderIfEmpty(const std::string& path);

} // namespace scanbrook::platform
