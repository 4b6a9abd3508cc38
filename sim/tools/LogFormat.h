#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// One entry of the unified log as the log tool prints it, and its two printed forms.
namespace scanbrook::sim {

struct LogRecord {
    std::int64_t micros = 0;
    std::string_view subsystem;
    std::string_view category;
    std::string_view messageType; ///< "Default", "Info", …
    std::string_view processImagePath;
    std::string_view senderImagePath;
    std::string_view eventMessage;
    std::uint32_t processID = 0;
    /// Seeds the identifiers that the real tool prints (trace, thread, UUIDs, counters).
    std::uint64_t seed = 0;
};

/// Appends the entry as one pretty-printed JSON object ("{\n  \"traceID\" : …\n}") with the
/// 22 members the real tool writes, in its order.
void appendJsonEntry(std::string& out, const LogRecord& record);

/// The column header of the plain-text style, with its line feed.
std::string_view plainTextHeader();

/// Appends the entry as one line of the plain-text style, with its line feed.
void appendPlainTextEntry(std::string& out, const LogRecord& record);

/// The closing statistics lines of the plain-text style.
std::string plainTextFooter(long defaultCount, long infoCount);

} // namespace scanbrook::sim
