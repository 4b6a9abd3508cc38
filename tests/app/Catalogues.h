#pragma once

// Update catalogues as a server would deliver them, written as XML property lists and, where a
// test asks for it, re-encoded in the binary form.

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>

namespace scanbrook::test {

enum class PlistFormat { Xml, Binary };

inline void PrintTo(PlistFormat format, std::ostream* os) {
    *os << (format == PlistFormat::Xml ? "XML" : "binary");
}

inline const std::string kDownloadBase = "https://scanbrook.example/downloads/";

/// A whole XML property list around `root`, the XML of its root object.
inline std::string xmlPlist(std::string_view root) {
    return std::string("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n") +
           std::string(root) + "\n</plist>\n";
}

inline std::string textKey(std::string_view key, std::string_view text) {
    return "<key>" + std::string(key) + "</key><string>" + std::string(text) + "</string>";
}

/// The dictionary of one application in the catalogue.
inline std::string entry(std::string_view appName, std::string_view version, std::string_view url) {
    return "<dict>" + textKey("AppName", appName) + textKey("Version", version) +
           textKey("URL", url) + "</dict>";
}

inline std::string array(std::initializer_list<std::string> elements) {
    std::string xml = "<array>";
    for (const std::string& element : elements) {
        xml += element;
    }
    return xml + "</array>";
}

/// The XML property list with `root`, re-encoded as `format`.
inline std::string encodePlist(std::string_view root, PlistFormat format) {
    const std::string xml = xmlPlist(root);
    if (format == PlistFormat::Xml) {
        return xml;
    }
    plist_t node = nullptr;
    plist_from_memory(xml.data(), static_cast<std::uint32_t>(xml.size()), &node);
    if (node == nullptr) {
        throw std::invalid_argument("test catalogue is no property list: " + xml);
    }
    const std::unique_ptr<void, decltype(&plist_free)> owner(node, &plist_free);
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    const std::unique_ptr<char, decltype(&plist_to_bin_free)> binary(bytes, &plist_to_bin_free);
    return std::string(binary.get(), length);
}

/// A catalogue of the two applications of the maker, this one offered at `version`.
inline std::string catalogueOffering(std::string_view version, PlistFormat format) {
    return encodePlist(array({entry("OtherApp", "3.0", kDownloadBase + "OtherApp-3.0.zip"),
                              entry("Scanbrook", version,
                                    kDownloadBase + "Scanbrook-" + std::string(version) + ".zip")}),
                       format);
}

} // namespace scanbrook::test
