#include "LogFormat.h"

#include "Common.h"

#include <cstdio>

namespace scanbrook::sim {

namespace {

std::string_view lastComponent(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::uint64_t hashText(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : text) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    }
    return hash;
}

void appendNumberMember(std::string& out, std::string_view name, unsigned long long value) {
    out.append("  \"").append(name).append("\" : ");
    out.append(std::to_string(value)).append(",\n");
}

void appendStringMember(std::string& out, std::string_view name, std::string_view value,
                        std::string_view indent = "  ") {
    out.append(indent).append("\"").append(name).append("\" : \"");
    appendJsonEscaped(out, value);
    out.append("\",\n");
}

} // namespace

void appendJsonEntry(std::string& out, const LogRecord& record) {
    const auto senderHash = hashText(record.senderImagePath);
    const auto processHash = hashText(record.processImagePath);
    const auto programCounter = 8192 + mix(senderHash) % 400000;
    const auto perEntry = mix(record.seed ^ static_cast<std::uint64_t>(record.micros));
    // Boots happen every few days; the mach clock counts nanoseconds in ticks of 125/3 ns.
    const auto sinceBoot = static_cast<std::uint64_t>(record.micros) % (3ULL * 86400 * 1000000);
    const auto bootUuid =
        uuidFrom(static_cast<std::uint64_t>(record.micros) / (3ULL * 86400 * 1000000));

    out.append("{\n");
    appendNumberMember(out, "traceID", perEntry % 100000000000000ULL);
    appendStringMember(out, "eventMessage", record.eventMessage);
    appendStringMember(out, "eventType", "logEvent");
    out.append("  \"source\" : null,\n");
    appendStringMember(out, "formatString", "%{public}s");
    appendNumberMember(out, "activityIdentifier", 0);
    appendStringMember(out, "subsystem", record.subsystem);
    appendStringMember(out, "category", record.category);
    appendNumberMember(out, "threadID", 100000 + mix(perEntry) % 9000000);
    appendStringMember(out, "senderImageUUID", uuidFrom(senderHash));
    out.append("  \"backtrace\" : {\n    \"frames\" : [\n      {\n");
    out.append("        \"imageOffset\" : ").append(std::to_string(programCounter)).append(",\n");
    out.append("        \"imageUUID\" : \"").append(uuidFrom(senderHash)).append("\"\n");
    out.append("      }\n    ]\n  },\n");
    appendStringMember(out, "bootUUID", bootUuid);
    appendStringMember(out, "processImagePath", record.processImagePath);
    appendStringMember(out, "timestamp", formatLogTimestamp(record.micros));
    appendStringMember(out, "senderImagePath", record.senderImagePath);
    appendNumberMember(out, "machTimestamp", sinceBoot * 24);
    appendStringMember(out, "messageType", record.messageType);
    appendStringMember(out, "processImageUUID", uuidFrom(processHash));
    appendNumberMember(out, "processID", record.processID);
    appendNumberMember(out, "senderProgramCounter", programCounter);
    appendNumberMember(out, "parentActivityIdentifier", 0);
    out.append("  \"timezoneName\" : \"\"\n}");
}

std::string_view plainTextHeader() {
    return "Timestamp                       Thread     Type        Activity             PID    "
           "TTL  \n";
}

void appendPlainTextEntry(std::string& out, const LogRecord& record) {
    const auto perEntry = mix(record.seed ^ static_cast<std::uint64_t>(record.micros));
    char columns[160];
    std::snprintf(columns, sizeof columns, " 0x%-8llx %-11.*s 0x0                  %-6u 0    ",
                  static_cast<unsigned long long>(100000 + mix(perEntry) % 9000000),
                  static_cast<int>(record.messageType.size()), record.messageType.data(),
                  record.processID);
    out.append(formatLogTimestamp(record.micros)).append(columns);
    out.append(lastComponent(record.processImagePath)).append(": (");
    out.append(lastComponent(record.senderImagePath)).append(") [");
    out.append(record.subsystem).append(":").append(record.category).append("] ");
    out.append(record.eventMessage).append("\n");
}

std::string plainTextFooter(long defaultCount, long infoCount) {
    char text[400];
    std::snprintf(
        text, sizeof text,
        "------------------------------------------------------------------------------"
        "--------------------------------------\n"
        "Log      - Default:          %ld, Info:                %ld, Debug:             0, "
        "Error:          0, Fault:          0\n"
        "Activity - Create:           0, Transition:          0, Actions:           0\n",
        defaultCount, infoCount);
    return text;
}

} // namespace scanbrook::sim
