#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Writing JSON documents for other programs to read (the command line's reports).
namespace scanbrook::platform {

/// Appends `text` as a JSON string, quotes included. Quotes, backslashes and control
/// characters are escaped; every maximal ill-formed UTF-8 subsequence becomes U+FFFD, so the
/// result is always valid UTF-8 and valid JSON whatever the bytes.
void appendJsonString(std::string& out, std::string_view text);

/// A compact JSON document, written value by value. The caller keeps the structure: a key
/// before each value inside an object, none inside an array, every scope closed.
class JsonWriter {
public:
    JsonWriter& beginObject();
    JsonWriter& endObject();
    JsonWriter& beginArray();
    JsonWriter& endArray();
    JsonWriter& key(std::string_view name);
    JsonWriter& string(std::string_view text);
    /// The text, or null.
    JsonWriter& nullableString(const std::optional<std::string_view>& text);
    JsonWriter& number(std::int64_t value);
    JsonWriter& boolean(bool value);
    /// The value, or null.
    JsonWriter& nullableBoolean(const std::optional<bool>& value);
    JsonWriter& null();
    /// A complete JSON value written by another JsonWriter.
    JsonWriter& raw(std::string_view json);

    /// The document so far.
    const std::string& text() const { return out; }

private:
    void beforeValue();

    std::string out;
    /// One entry per open scope: whether a value has been written in it yet.
    std::vector<bool> scopeHasValue;
    bool afterKey = false;
};

} // namespace scanbrook::platform
