#pragma once

// Property lists as the Mac writes them, in XML and re-encoded in the binary form, for tests of
// what reads them (link libplist).

#include <plist/plist.h>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scanbrook::test {

enum class PlistFormat { Xml, Binary };

/// A whole XML property list around `root`, the XML of its root object.
inline std::string xmlPlist(std::string_view root) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n" +
           std::string(root) + "\n</plist>\n";
}

/// The property list with the root `root` (XML of the root object) in `format`.
inline std::string encodePlist(std::string_view root, PlistFormat format) {
    const std::string xml = xmlPlist(root);
    if (format == PlistFormat::Xml) {
        return xml;
    }
    plist_t node = nullptr;
    plist_from_memory(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
    if (node == nullptr) {
        throw std::invalid_argument("test property list does not parse: " + xml);
    }
    const std::unique_ptr<void, decltype(&plist_free)> owner(node, &plist_free);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    const std::unique_ptr<char, decltype(&plist_to_bin_free)> binary(bytes, &plist_to_bin_free);
    return std::string(binary.get(), length);
}

/// `<key>key</key><string>text</string>`: one text member of a dictionary.
inline std::string textKey(std::string_view key, std::string_view text) {
    return "<key>" + std::string(key) + "</key><string>" + std::string(text) + "</string>";
}

} // namespace scanbrook::test
