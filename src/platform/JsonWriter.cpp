#include "platform/JsonWriter.h"

namespace scanbrook::platform {

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

/// Whether an ASCII byte goes into a JSON string as it is.
constexpr bool isPlainAscii(unsigned char c) {
    return c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
}

void appendEscapedAscii(std::string& out, unsigned char c) {
    switch (c) {
    case '"':
        out += "\\\"";
        return;
    case '\\':
        out += "\\\\";
        return;
    case '\b':
        out += "\\b";
        return;
    case '\f':
        out += "\\f";
        return;
    case '\n':
        out += "\\n";
        return;
    case '\r':
        out += "\\r";
        return;
    case '\t':
        out += "\\t";
        return;
    default:
        break;
    }
    if (c < 0x20) {
        constexpr std::string_view kHex = "0123456789abcdef";
        out += "\\u00";
        out += kHex[c >> 4];
        out += kHex[c & 0xF];
        return;
    }
    out += static_cast<char>(c);
}

/// The length of the well-formed UTF-8 sequence that starts `bytes` (lead byte not ASCII), or
/// the negated length of the maximal ill-formed subpart there (at least one byte), following
/// the Unicode Standard's table of well-formed byte sequences.
int sequenceAt(std::string_view bytes) {
    const auto lead = static_cast<unsigned char>(bytes[0]);
    int length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead == 0xE0) {
        length = 3;
        low = 0xA0;
    } else if (lead == 0xED) {
        length = 3;
        high = 0x9F;
    } else if (lead >= 0xE1 && lead <= 0xEF) {
        length = 3;
    } else if (lead == 0xF0) {
        length = 4;
        low = 0x90;
    } else if (lead == 0xF4) {
        length = 4;
        high = 0x8F;
    } else if (lead >= 0xF1 && lead <= 0xF3) {
        length = 4;
    } else {
        return -1;
    }
    int taken = 1;
    while (taken < length && static_cast<std::size_t>(taken) < bytes.size()) {
        const auto next = static_cast<unsigned char>(bytes[static_cast<std::size_t>(taken)]);
        // Only the second byte has a narrower range; the rest are any continuation byte.
        if (next < (taken == 1 ? low : 0x80) || next > (taken == 1 ? high : 0xBF)) {
            break;
        }
        ++taken;
    }
    return taken == length ? length : -taken;
}

} // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out.reserve(out.size() + text.size() + 2);
    out += '"';
    std::size_t at = 0;
    while (at < text.size()) {
        // Runs of plain ASCII, by far the most text, go in whole.
        std::size_t plain = at;
        while (plain < text.size() && isPlainAscii(static_cast<unsigned char>(text[plain]))) {
            ++plain;
        }
        out.append(text, at, plain - at);
        at = plain;
        if (at == text.size()) {
            break;
        }
        const auto c = static_cast<unsigned char>(text[at]);
        if (c < 0x80) {
            appendEscapedAscii(out, c);
            ++at;
            continue;
        }
        const int sequence = sequenceAt(text.substr(at));
        if (sequence > 0) {
            out.append(text, at, static_cast<std::size_t>(sequence));
            at += static_cast<std::size_t>(sequence);
        } else {
            out += kReplacementCharacter;
            at += static_cast<std::size_t>(-sequence);
        }
    }
    out += '"';
}

void JsonWriter::beforeValue() {
    if (afterKey) {
        afterKey = false;
        return;
    }
    if (!scopeHasValue.empty()) {
        if (scopeHasValue.back()) {
            out += ',';
        }
        scopeHasValue.back() = true;
    }
}

JsonWriter& JsonWriter::beginObject() {
    beforeValue();
    out += '{';
    scopeHasValue.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endObject() {
    out += '}';
    scopeHasValue.pop_back();
    return *this;
}

JsonWriter& JsonWriter::beginArray() {
    beforeValue();
    out += '[';
    scopeHasValue.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::endArray() {
    out += ']';
    scopeHasValue.pop_back();
    return *this;
}

JsonWriter& JsonWriter::key(std::string_view name) {
    beforeValue();
    appendJsonString(out, name);
    out += ':';
    afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::string(std::string_view text) {
    beforeValue();
    appendJsonString(out, text);
    return *this;
}

JsonWriter& JsonWriter::nullableString(const std::optional<std::string_view>& text) {
    return text ? string(*text) : null();
}

JsonWriter& JsonWriter::number(std::int64_t value) {
    beforeValue();
    out += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::boolean(bool value) {
    beforeValue();
    out += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::nullableBoolean(const std::optional<bool>& value) {
    return value ? boolean(*value) : null();
}

JsonWriter& JsonWriter::null() {
    beforeValue();
    out += "null";
    return *this;
}

JsonWriter& JsonWriter::raw(std::string_view json) {
    beforeValue();
    out += json;
    return *this;
}

} // namespace scanbrook::platform
