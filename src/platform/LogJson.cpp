#include "platform/LogJson.h"

#include "platform/Process.h"

#include <simdjson.h>

namespace scanbrook::platform {

static_assert(kOutputPadding >= simdjson::SIMDJSON_PADDING,
              "the output buffer must leave the JSON parser its read-ahead");

namespace {

/// The parser keeps its buffers between documents: allocating them and faulting their pages
/// in costs more than the parse of a month of log output, so each thread keeps one parser.
/// A visitor that reads another document while being called gets a parser of its own.
class ThreadParser {
public:
    ThreadParser() : parser(acquire()) {}
    ~ThreadParser() {
        if (&parser == &shared()) {
            inUse() = false;
        }
    }
    ThreadParser(const ThreadParser&) = delete;
    ThreadParser& operator=(const ThreadParser&) = delete;

    simdjson::dom::parser& get() { return parser; }

private:
    static simdjson::dom::parser& shared() {
        thread_local simdjson::dom::parser instance;
        return instance;
    }
    static bool& inUse() {
        thread_local bool flag = false;
        return flag;
    }
    simdjson::dom::parser& acquire() {
        if (inUse()) {
            return nested;
        }
        inUse() = true;
        return shared();
    }

    simdjson::dom::parser nested;
    simdjson::dom::parser& parser;
};

std::optional<std::string_view> stringValue(simdjson::dom::element value) {
    std::string_view text;
    if (value.get_string().get(text) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    return text;
}

/// Reads the three members in one pass over the object. A key that occurs twice counts with
/// its last value, as in a dictionary built from the object.
LogEntry readEntry(simdjson::dom::element element) {
    LogEntry entry;
    simdjson::dom::object object;
    if (element.get_object().get(object) != simdjson::SUCCESS) {
        return entry;
    }
    entry.isObject = true;
    for (const simdjson::dom::key_value_pair member : object) {
        if (member.key == "timestamp") {
            entry.timestamp = stringValue(member.value);
        } else if (member.key == "senderImagePath") {
            entry.senderImagePath = stringValue(member.value);
        } else if (member.key == "eventMessage") {
            entry.eventMessage = stringValue(member.value);
        }
    }
    return entry;
}

/// How deep "caused_by" is searched for paths: a list of objects is two levels.
constexpr int kPathSearchDepth = 3;

void collectPaths(simdjson::dom::element value, std::vector<std::string>& paths, int depth) {
    if (depth > kPathSearchDepth) {
        return;
    }
    if (const auto text = stringValue(value)) {
        if (!text->empty()) {
            paths.emplace_back(*text);
        }
        return;
    }
    simdjson::dom::array array;
    if (value.get_array().get(array) == simdjson::SUCCESS) {
        for (const simdjson::dom::element element : array) {
            collectPaths(element, paths, depth + 1);
        }
        return;
    }
    simdjson::dom::element path;
    if (value.at_key("path").get(path) == simdjson::SUCCESS) {
        collectPaths(path, paths, kPathSearchDepth);
    }
}

/// A parser for the messages inside the entries, kept per thread apart from the one that
/// holds the entries while they are visited; with the room it reads ahead into.
struct MessageParser {
    simdjson::dom::parser parser;
    std::string padded;
};

MessageParser& messageParser() {
    thread_local MessageParser instance;
    return instance;
}

} // namespace

LogJsonResult visitLogEntries(std::string_view bytes, LogEntryVisitor& visitor,
                              std::size_t maxElements) {
    ThreadParser parser;
    // Parsed in place: the caller's buffer keeps the padding the parser reads ahead into. The
    // DOM parser checks the whole document, UTF-8 included, before anything is visited.
    const simdjson::padded_string_view padded(bytes.data(), bytes.size(),
                                              bytes.size() + kOutputPadding);
    simdjson::dom::element root;
    if (parser.get().parse(padded).get(root) != simdjson::SUCCESS) {
        return LogJsonResult::NotJson;
    }
    simdjson::dom::array array;
    if (root.get_array().get(array) != simdjson::SUCCESS) {
        return LogJsonResult::NotArray;
    }
    std::size_t visited = 0;
    for (const simdjson::dom::element element : array) {
        if (visited == maxElements) {
            break;
        }
        ++visited;
        visitor.visit(readEntry(element));
    }
    return LogJsonResult::Array;
}

std::optional<std::string> objectStringMember(std::string_view json, std::string_view key) {
    ThreadParser parser;
    const simdjson::padded_string padded(json);
    simdjson::dom::object object;
    if (parser.get().parse(padded).get_object().get(object) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::string_view> found;
    for (const simdjson::dom::key_value_pair member : object) {
        if (member.key == key) {
            found = stringValue(member.value);
        }
    }
    if (!found) {
        return std::nullopt;
    }
    return std::string(*found);
}

IntegerAndString objectIntegerAndStringMembers(std::string_view json, std::string_view integerKey,
                                               std::string_view stringKey) {
    IntegerAndString found;
    ThreadParser parser;
    const simdjson::padded_string padded(json);
    simdjson::dom::object object;
    if (parser.get().parse(padded).get_object().get(object) != simdjson::SUCCESS) {
        return found;
    }
    for (const simdjson::dom::key_value_pair member : object) {
        if (member.key == integerKey) {
            std::int64_t value = 0;
            found.integer = member.value.get_int64().get(value) == simdjson::SUCCESS
                                ? std::optional<std::int64_t>(value)
                                : std::nullopt;
        } else if (member.key == stringKey) {
            const auto text = stringValue(member.value);
            found.string = text ? std::optional<std::string>(*text) : std::nullopt;
        }
    }
    return found;
}

} // namespace scanbrook::platform

namespace scanbrook::platform {

std::optional<ScanMessageFields> readScanMessage(std::string_view json) {
    MessageParser& state = messageParser();
    // Copied into a buffer that keeps its capacity: the parser reads ahead past the end, and a
    // month of failed scans must not cost an allocation each.
    state.padded.reserve(json.size() + simdjson::SIMDJSON_PADDING);
    state.padded.assign(json);
    simdjson::dom::object object;
    if (state.parser.parse(state.padded.data(), state.padded.size(), false)
            .get_object()
            .get(object) != simdjson::SUCCESS) {
        return std::nullopt;
    }
    ScanMessageFields fields;
    for (const simdjson::dom::key_value_pair member : object) {
        if (member.key == "status_code") {
            std::int64_t code = 0;
            fields.statusCode = member.value.get_int64().get(code) == simdjson::SUCCESS
                                    ? std::optional<std::int64_t>(code)
                                    : std::nullopt;
        } else if (member.key == "status_message") {
            const auto text = stringValue(member.value);
            fields.statusMessage =
                text ? std::optional<std::string>(*text) : std::optional<std::string>();
        }
    }
    // Paths in the order the message lists them: the causes first, then the alerts.
    simdjson::dom::element causes;
    if (object.at_key("caused_by").get(causes) == simdjson::SUCCESS) {
        collectPaths(causes, fields.paths, 0);
    }
    simdjson::dom::array alerts;
    if (object.at_key("caller").at_key("alerts").get_array().get(alerts) == simdjson::SUCCESS) {
        for (const simdjson::dom::element alert : alerts) {
            simdjson::dom::element path;
            if (alert.at_key("path").get(path) == simdjson::SUCCESS) {
                collectPaths(path, fields.paths, kPathSearchDepth);
            }
        }
    }
    return fields;
}

} // namespace scanbrook::platform
