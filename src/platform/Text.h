#pragma once

#include <cstddef>
#include <string_view>

/// Text measured in user-perceived characters (extended grapheme clusters), over UTF-8.
namespace scanbrook::platform {

bool isValidUtf8(std::string_view bytes);

/// The number of user-perceived characters of valid UTF-8 text.
std::size_t characterCount(std::string_view utf8);

/// The first `count` user-perceived characters of valid UTF-8 text (all of it when shorter).
/// Never splits a UTF-8 sequence or a character.
std::string_view firstCharacters(std::string_view utf8, std::size_t count);

/// The text after its first `count` user-perceived characters (empty when shorter).
std::string_view dropCharacters(std::string_view utf8, std::size_t count);

} // namespace scanbrook::platform
