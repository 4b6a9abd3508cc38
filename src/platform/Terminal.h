#pragma once

#include <string_view>

/// The command line's standard error as a place for a person to watch progress.
namespace scanbrook::platform {

/// Whether standard error is a terminal, not a file, a pipe or nothing.
bool standardErrorIsTerminal();

/// Writes `text` to standard error, unbuffered. Progress is a courtesy: a failure is ignored.
void writeStandardError(std::string_view text);

} // namespace scanbrook::platform
