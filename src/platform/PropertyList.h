#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace scanbrook::platform {

/// The text values at the top level of a property-list dictionary. Values of other kinds
/// (numbers, arrays, dictionaries, …) are left out, so a lookup of them finds nothing.
using TextDictionary = std::map<std::string, std::string, std::less<>>;

/// The elements of a property list's root array, in order: an element's text values when it is
/// a dictionary, nullopt when it is anything else.
using DictionaryArray = std::vector<std::optional<TextDictionary>>;

/// Parses a property list in XML or binary form whose root is a dictionary; nullopt when the
/// bytes are no property list or the root is not a dictionary.
std::optional<TextDictionary> parseDictionary(std::string_view bytes);

/// Parses a property list in XML or binary form whose root is an array; nullopt when the bytes
/// are no property list or the root is not an array.
std::optional<DictionaryArray> parseDictionaryArray(std::string_view bytes);

} // namespace scanbrook::platform
