#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
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

/// The texts of the array at `key` in a property list whose root is a dictionary; nullopt when
/// the bytes are no such list, there is no array there, or an element of it is not a text.
std::optional<std::vector<std::string>> parseTextArray(std::string_view bytes,
                                                       std::string_view key);

/// A value that Scanbrook writes into a property list.
using PlistValue = std::variant<std::string, std::int64_t, bool, std::vector<std::string>>;
/// The entries of a dictionary, in the order they are written.
using PlistEntries = std::vector<std::pair<std::string, PlistValue>>;

/// The XML property list of a dictionary that holds `entries`, as the platform's own tools write
/// one (the library makes it, so texts are escaped as they must be).
std::string xmlPropertyList(const PlistEntries& entries);

} // namespace scanbrook::platform
