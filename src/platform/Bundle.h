#pragma once

#include "platform/Clock.h"
#include "platform/PropertyList.h"

#include <optional>
#include <string>
#include <string_view>

namespace scanbrook::platform {

/// The text values at the top level of a bundle's information dictionary.
using InfoDictionary = TextDictionary;

/// The information dictionary of the bundle folder at `bundlePath` (its Contents/Info.plist);
/// nullopt when there is no bundle there or it has no readable dictionary.
std::optional<InfoDictionary> bundleInfoDictionary(const std::string& bundlePath);

/// When the bundle folder at `bundlePath` was last modified (a data update replaces the
/// bundle); nullopt when there is no folder there.
std::optional<TimePoint> bundleModificationTime(const std::string& bundlePath);
/// The text under "CFBundleShortVersionString" in that dictionary; nullopt when there is no
/// bundle, no dictionary or no such text. The bundle's code is never loaded.
std::optional<std::string> bundleShortVersion(const std::string& bundlePath);

/// The application's own information dictionary (embedded in the executable at build time).
std::optional<InfoDictionary> mainBundleInfoDictionary();

} // namespace scanbrook::platform
