#pragma once

// Update catalogues as a server would deliver them.

#include "support/PropertyLists.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace scanbrook::test {

inline const std::string kDownloadBase = "https://scanbrook.example/downloads/";

/// The dictionary of one application in the catalogue.
inline std::string entry(std::string_view appName, std::string_view version, std::string_view url) {
    return "<dict>" + textKey("AppName", appName) + textKey("Version", version) +
           textKey("URL", url) + "</dict>";
}

/// `<tag>` around the XML of `elements` in order.
inline std::string element(std::string_view tag, std::initializer_list<std::string> elements) {
    std::string xml = "<" + std::string(tag) + ">";
    for (const std::string& part : elements) {
        xml += part;
    }
    return xml + "</" + std::string(tag) + ">";
}
inline std::string array(std::initializer_list<std::string> elements) {
    return element("array", elements);
}
inline std::string dict(std::initializer_list<std::string> members) {
    return element("dict", members);
}

/// A catalogue of two applications of the maker, this one offered at `version`.
inline std::string catalogueOffering(std::string_view version, PlistFormat format) {
    return encodePlist(array({entry("OtherApp", "3.0", kDownloadBase + "OtherApp-3.0.zip"),
                              entry("Scanbrook", version,
                                    kDownloadBase + "Scanbrook-" + std::string(version) + ".zip")}),
                       format);
}

} // namespace scanbrook::test
