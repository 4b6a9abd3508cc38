#pragma once

// Property lists as the Mac writes them, in XML and re-encoded in the binary form, for tests of
// what reads them (link libplist).

#include "platform/PlistApi.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scanbrook::test {

enum class PlistFormat { Xml, Binary };

/// The property list with the root `root` (XML of the root object) in `format`.
inline std::string encodePlist(std::string_view root, PlistFormat format) {
    const std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" +
        std::string(root) + "\n</plist>\n";
    if (format == PlistFormat::Xml) {
        return xml;
    }
    const plist_t node =
        platform::plist_api::fromMemory(xml.data(), static_cast<std::uint32_t>(xml.size()));
    if (node == nullptr) {
        throw std::invalid_argument("test property list does not parse: " + xml);
    }
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    std::string binary(bytes, length);
    platform::plist_api::freeWritten(bytes);
    plist_free(node);
    return binary;
}

/// `<key>key</key><string>text</string>`: one text member of a dictionary.
inline std::string textKey(std::string_view key, std::string_view text) {
    return "<key>" + std::string(key) + "</key><string>" + std::string(text) + "</string>";
}

/// A binary list of `objects` (each an encoded object, the first the top one) whose references
/// are `refSize` bytes long, written out by hand so that it can be anything the format allows.
inline std::string binaryPlist(const std::vector<std::string>& objects, unsigned refSize = 1) {
    const auto bigEndian = [](std::uint64_t value, unsigned size) {
        std::string bytes(size, '\0');
        for (unsigned i = size; i-- > 0; value >>= 8) {
            bytes[i] = static_cast<char>(value & 0xFF);
        }
        return bytes;
    };
    std::string list = "bplist00";
    std::string offsets;
    for (const std::string& object : objects) {
        offsets += bigEndian(list.size(), 4);
        list += object;
    }
    const std::uint64_t tableAt = list.size();
    return list + offsets + std::string(6, '\0') + static_cast<char>(4) +
           static_cast<char>(refSize) + bigEndian(objects.size(), 8) + bigEndian(0, 8) +
           bigEndian(tableAt, 8);
}

/// The marker of an encoded object of `kind` with `count` elements; a count of 15 or more
/// follows it as a four-byte integer object.
inline std::string binaryMarker(unsigned kind, std::uint64_t count) {
    std::string marker(1, static_cast<char>(kind << 4 | (count < 15 ? count : 15)));
    if (count >= 15) {
        marker += '\x12';
        for (int shift = 24; shift >= 0; shift -= 8) {
            marker += static_cast<char>((count >> shift) & 0xFF);
        }
    }
    return marker;
}

/// An encoded array (0xA) or dictionary (0xD, keys then values) of the objects `references`.
inline std::string binaryContainer(unsigned kind, const std::vector<std::uint64_t>& references,
                                   unsigned refSize = 1) {
    std::string object =
        binaryMarker(kind, kind == 0xD ? references.size() / 2 : references.size());
    for (const std::uint64_t reference : references) {
        for (unsigned i = refSize; i-- > 0;) {
            object += static_cast<char>((reference >> (8 * i)) & 0xFF);
        }
    }
    return object;
}

/// An encoded ASCII text.
inline std::string binaryText(std::string_view text) {
    return binaryMarker(0x5, text.size()) + std::string(text);
}

/// An encoded UTF-16 text (big-endian units).
inline std::string binaryText(std::u16string_view text) {
    std::string object = binaryMarker(0x6, text.size());
    for (const char16_t unit : text) {
        object += static_cast<char>(unit >> 8);
        object += static_cast<char>(unit & 0xFF);
    }
    return object;
}

} // namespace scanbrook::test
