#pragma once

// Property lists as the Mac writes them, in XML and re-encoded in the binary form, for tests of
// what reads them (link libplist).

#include <plist/plist.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

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
    plist_t node = nullptr;
    plist_from_memory(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
    if (node == nullptr) {
        throw std::invalid_argument("test property list does not parse: " + xml);
    }
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    std::string binary(bytes, length);
    plist_to_bin_free(bytes);
    plist_free(node);
    return binary;
}

/// `<key>key</key><string>text</string>`: one text member of a dictionary.
inline std::string textKey(std::string_view key, std::string_view text) {
    return "<key>" + std::string(key) + "</key><string>" + std::string(text) + "</string>";
}

} // namespace scanbrook::test
