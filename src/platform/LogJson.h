#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Reading the log tool's JSON output: one array of entries, each an object.
namespace scanbrook::platform {

/// The members of one array element that Scanbrook reads, unescaped. A member that is absent
/// or not a string is nullopt; of a key that occurs twice, the last value counts. The views
/// stay valid until the visit returns.
struct LogEntry {
    bool isObject = false;
    std::optional<std::string_view> timestamp;
    std::optional<std::string_view> senderImagePath;
    std::optional<std::string_view> eventMessage;
};

class LogEntryVisitor {
public:
    virtual ~LogEntryVisitor() = default;
    virtual void visit(const LogEntry& entry) = 0;
};

enum class LogJsonResult {
    Array,    ///< a JSON array: every element was visited, in order
    NotJson,  ///< not valid JSON (or not valid UTF-8, or empty): nothing visited
    NotArray, ///< valid JSON whose top-level value is not an array: nothing visited
};

/// Validates the whole document (its UTF-8 included) before visiting any element, so a fault
/// anywhere in it leaves nothing visited. `bytes` must be followed by kOutputPadding readable
/// spare bytes (as CommandResult::output is): they are parsed in place, not copied.
/// The bytes are read only while the document is parsed, before the first visit: a visitor
/// may release them. `maxElements` limits the elements visited. Each thread keeps its parser's
/// buffers for the next call; a visitor may itself call this function.
LogJsonResult visitLogEntries(std::string_view bytes, LogEntryVisitor& visitor,
                              std::size_t maxElements = static_cast<std::size_t>(-1));

/// The value of the top-level member `key` of `json` when `json` is a JSON object whose member
/// `key` is a string (of a key that occurs twice, the last value counts); nullopt otherwise.
/// `json` needs no padding: it is copied.
std::optional<std::string> objectStringMember(std::string_view json, std::string_view key);

/// What a scan event's message says about its outcome, when the message is a JSON object.
struct ScanMessageFields {
    /// The top-level "status_code" when it is an integer.
    std::optional<std::int64_t> statusCode;
    /// The top-level "status_message" when it is a string.
    std::optional<std::string> statusMessage;
    /// The paths the event names, in order of appearance: "caused_by" (a path, a list of
    /// paths, or objects or lists of objects with a "path") and the "path" of each alert in
    /// "caller"'s "alerts". Empty strings are left out; duplicates are kept.
    std::vector<std::string> paths;
};

/// The outcome fields of `json` when it is a JSON object; nullopt for anything else (a text
/// that is no JSON, an array, a number). `json` needs no padding. Meant to be called from a
/// LogEntryVisitor: it keeps a parser of its own per thread.
std::optional<ScanMessageFields> readScanMessage(std::string_view json);

/// The integer member `integerKey` and the string member `stringKey` of `json`, from one parse,
/// with the rules of objectStringMember(); an integer beyond 64 bits is nullopt.
struct IntegerAndString {
    std::optional<std::int64_t> integer;
    std::optional<std::string> string;
};
IntegerAndString objectIntegerAndStringMembers(std::string_view json, std::string_view integerKey,
                                               std::string_view stringKey);

} // namespace scanbrook::platform
