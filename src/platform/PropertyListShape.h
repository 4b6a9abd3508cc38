#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace scanbrook::platform {

/// How far a property list may reach before the library builds its tree. The library follows
/// every reference of a binary list afresh and frees and writes trees recursively, so a list
/// nested deeply, or one whose objects refer to each other many times over, costs memory,
/// time or the whole stack out of all proportion to its size. A catalogue or an information
/// dictionary is a few levels deep and holds a few hundred values.
struct PropertyListBounds {
    static constexpr std::size_t kMaxDepth = 32;
    static constexpr std::uint64_t kMaxValues = 100'000;
    /// Texts and data of the whole tree, each counted as often as it is referred to.
    static constexpr std::uint64_t kMaxPayloadBytes = 32U * 1024U * 1024U;
};

/// The part of `bytes` for the library to read: a whole binary property list ("bplist00"), or
/// an XML one from its root "plist" element on (after an optional UTF-8 byte order mark, white
/// space, comments, processing instructions and a document type), when its tree stays within
/// PropertyListBounds and its binary texts hold no NUL character. Nullopt for anything else:
/// other encodings (JSON, OpenStep), lists beyond the bounds, broken binary tables, and XML
/// whose markup two readers could take apart differently.
std::optional<std::string_view> boundedPropertyList(std::string_view bytes);

} // namespace scanbrook::platform
