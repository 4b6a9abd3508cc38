#pragma once

#include <string>
#include <string_view>
#include <vector>

/// What Scanbrook asks of the unified log tool (mac::kLogTool): the argument lists of its three
/// callers. The tool is always run directly, never through a shell.
namespace scanbrook::reports {

/// XProtect Remediator's structured events. One argument: the double quotes are part of it.
inline constexpr std::string_view kCheckPredicate =
    "subsystem == \"com.apple.XProtectFramework.PluginAPI\" AND "
    "category == \"XPEvent.structured\"";
static_assert(kCheckPredicate.size() == 89);

/// The scan-history check: "show", "--predicate", kCheckPredicate, "--style", "json", "--info",
/// "--last", `periodArgument` (N followed by the letter d).
std::vector<std::string> checkQueryArguments(std::string_view periodArgument);

/// A read of the scan ledger: the check's arguments with "--start", `startArgument` (an "@"
/// and whole seconds since 1970) in place of "--last" and the period.
std::vector<std::string> recordQueryArguments(std::string_view startArgument);

/// The launch check that the log yields entries: "show", "--last", "2".
std::vector<std::string> logEntriesArguments();

/// The launch check of the log's time format: "show", "--style", "json", "--last", "2".
std::vector<std::string> logTimeFormatArguments();

} // namespace scanbrook::reports
