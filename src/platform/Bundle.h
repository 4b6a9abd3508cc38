#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace scanbrook::platform {

/// The text values at the top level of a bundle's information dictionary. Values of other
/// kinds (numbers, arrays, …) are left out, so a lookup of them finds nothing.
using InfoDictionary = std::map<std::string, std::string, std::less<>>;

/// Parses an Info.plist in XML or binary form; nullopt when the bytes are no property list
/// or the root is not a dictionary.
std::optional<InfoDictionary> parseInfoDictionary(std::string_view bytes);

/// The information dictionary of the bundle folder at `bundlePath` (its Contents/Info.plist);
/// nullopt when there is no bundle there or it has no readable dictionary.
std::optional<InfoDictionary> bundleInfoDictionary(const std::string& bundlePath);

/// The application's own information dictionary (embedded in the executable at build time).
std::optional<InfoDictionary> mainBundleInfoDictionary();

} // namespace scanbrook::platform
