#include "platform/PropertyListShape.h"

#include <algorithm>
#include <unordered_map>

namespace scanbrook::platform {

namespace {

using Bounds = PropertyListBounds;
constexpr std::size_t npos = std::string_view::npos;

// ---- XML ------------------------------------------------------------------------------------

bool isXmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool oddQuotes(std::string_view text) {
    return std::count(text.begin(), text.end(), '"') % 2 != 0;
}

/// One past the first `terminator` at or after `from`, or npos. With `pairedQuotes`, npos also
/// when an odd number of double quotes lies before it: the library skips double-quoted text
/// while it looks for the end of a processing instruction, so there the two readings differ.
std::size_t after(std::string_view xml, std::size_t from, std::string_view terminator,
                  bool pairedQuotes = false) {
    const std::size_t found = xml.find(terminator, from);
    if (found == npos || (pairedQuotes && oddQuotes(xml.substr(from, found - from)))) {
        return npos;
    }
    return found + terminator.size();
}

bool isSpace(std::string_view text) {
    return std::all_of(text.begin(), text.end(), isXmlSpace);
}

/// Where the root element of an XML list begins, when it is a "plist" element after nothing but
/// white space, comments, processing instructions and a document type, and the elements stay
/// within the bounds. They are counted as the library reads them: comments, CDATA sections,
/// processing instructions and the document type hold no elements, and an empty element
/// (`<array/>`) opens no level. Wherever a reader that pairs double quotes and one that does not
/// would find a construct's end in different places, the list is refused, so that no reader can
/// find more nesting than is counted here.
std::optional<std::size_t> boundedXmlRoot(std::string_view xml) {
    std::optional<std::size_t> root;
    std::size_t depth = 0;
    std::uint64_t elements = 0;
    std::size_t at = 0;
    std::size_t textFrom = 0;
    while ((at = xml.find('<', at)) != npos) {
        if (!root && !isSpace(xml.substr(textFrom, at - textFrom))) {
            return std::nullopt; // text before the root: JSON, OpenStep or no list at all
        }
        const std::string_view rest = xml.substr(at);
        std::size_t end = npos;
        if (rest.starts_with("<!--")) {
            end = after(xml, at + 4, "-->");
        } else if (rest.starts_with("<![CDATA[")) {
            end = after(xml, at + 9, "]]>");
        } else if (rest.starts_with("<?")) {
            end = after(xml, at + 1, "?>", true);
        } else if (rest.starts_with("<!DOCTYPE")) {
            // Only the external form: readers differ on where an internal subset ends.
            end = after(xml, at, ">", true);
            if (end != npos && xml.substr(at + 1, end - at - 2).find_first_of("[<") != npos) {
                return std::nullopt;
            }
        } else if (rest.starts_with("<!")) {
            return std::nullopt; // no property list has other declarations
        } else {
            const std::size_t close = xml.find_first_of("<>", at + 1);
            if (close == npos || xml[close] == '<') {
                return std::nullopt;
            }
            const std::string_view tag = xml.substr(at + 1, close - at - 1);
            const std::string_view name = tag.substr(0, tag.find_first_of(" \t\r\n/", 1));
            if (name.find('"') != npos || oddQuotes(tag)) {
                return std::nullopt;
            }
            if (!root) {
                if (name != "plist") {
                    return std::nullopt;
                }
                root = at;
            }
            if (tag.starts_with('/')) {
                depth -= depth > 0 ? 1 : 0;
            } else {
                depth += tag.ends_with('/') ? 0 : 1;
                if (depth > Bounds::kMaxDepth || ++elements > Bounds::kMaxValues) {
                    return std::nullopt;
                }
            }
            end = close + 1;
        }
        if (end == npos) {
            return std::nullopt;
        }
        at = textFrom = end;
    }
    return root;
}

// ---- Binary ---------------------------------------------------------------------------------

constexpr std::string_view kBinaryMagic = "bplist00";
constexpr std::size_t kTrailerBytes = 32;

std::uint64_t bigEndian(std::string_view bytes, std::uint64_t at, unsigned size) {
    std::uint64_t value = 0;
    for (unsigned i = 0; i < size; ++i) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

/// What the library would build for an object, counted over everything it refers to.
struct Extent {
    std::uint64_t values = 0;
    std::uint64_t payloadBytes = 0;
    std::size_t depth = 0;
};

/// A walk over the object table of a binary list, from its top object, that computes each
/// object's extent once (the library expands shared objects at every reference) and refuses
/// objects outside the table and texts holding a NUL character. An object that refers back to
/// itself nests without end, so the depth bound refuses it.
class BinaryWalk {
public:
    explicit BinaryWalk(std::string_view bytes) : bytes_(bytes) {}

    bool withinBounds() {
        if (bytes_.size() < kBinaryMagic.size() + kTrailerBytes) {
            return false;
        }
        const std::uint64_t trailer = bytes_.size() - kTrailerBytes;
        offsetSize_ = static_cast<unsigned char>(bytes_[trailer + 6]);
        refSize_ = static_cast<unsigned char>(bytes_[trailer + 7]);
        objects_ = bigEndian(bytes_, trailer + 8, 8);
        const std::uint64_t top = bigEndian(bytes_, trailer + 16, 8);
        tableAt_ = bigEndian(bytes_, trailer + 24, 8);
        if (offsetSize_ < 1 || offsetSize_ > 8 || refSize_ < 1 || refSize_ > 8 || top >= objects_ ||
            tableAt_ < kBinaryMagic.size() || tableAt_ >= trailer ||
            objects_ > (trailer - tableAt_) / offsetSize_) {
            return false;
        }
        const std::optional<Extent> root = walk(top, 1);
        return root && root->depth <= Bounds::kMaxDepth;
    }

private:
    /// Where an object's content begins, its kind and its size (bytes, UTF-16 units or
    /// references, as the kind has it), when all of that lies before the offset table.
    struct Head {
        unsigned kind = 0;
        std::uint64_t size = 0;
        std::uint64_t contentAt = 0;
    };

    enum : unsigned {
        kData = 0x4,
        kAscii = 0x5,
        kUtf16 = 0x6,
        kArray = 0xA,
        kSet = 0xC,
        kDict = 0xD
    };

    std::optional<Head> head(std::uint64_t index) const {
        const std::uint64_t at = bigEndian(bytes_, tableAt_ + index * offsetSize_, offsetSize_);
        if (at < kBinaryMagic.size() || at >= tableAt_) {
            return std::nullopt;
        }
        const auto marker = static_cast<unsigned>(static_cast<unsigned char>(bytes_[at]));
        Head object{marker >> 4U, marker & 0xFU, at + 1};
        const bool sized = object.kind == kData || object.kind == kAscii || object.kind == kUtf16 ||
                           object.kind == kArray || object.kind == kSet || object.kind == kDict;
        if (!sized) {
            return object; // a scalar: the library checks its few bytes itself
        }
        if (object.size == 0xF) { // the size follows as an integer object
            if (object.contentAt >= tableAt_) {
                return std::nullopt;
            }
            const auto sizeMarker =
                static_cast<unsigned>(static_cast<unsigned char>(bytes_[object.contentAt]));
            const unsigned sizeBytes = 1U << (sizeMarker & 0xFU);
            if ((sizeMarker >> 4U) != 0x1 || sizeBytes > 8 ||
                tableAt_ - object.contentAt - 1 < sizeBytes) {
                return std::nullopt;
            }
            object.size = bigEndian(bytes_, object.contentAt + 1, sizeBytes);
            object.contentAt += 1 + sizeBytes;
        }
        const std::uint64_t unit = object.kind == kUtf16                          ? 2
                                   : object.kind == kDict                         ? 2ULL * refSize_
                                   : object.kind == kArray || object.kind == kSet ? refSize_
                                                                                  : 1;
        if (object.size > (tableAt_ - object.contentAt) / unit) {
            return std::nullopt;
        }
        return object;
    }

    bool holdsNul(const Head& text) const {
        const std::string_view content =
            bytes_.substr(text.contentAt, text.kind == kUtf16 ? text.size * 2 : text.size);
        if (text.kind == kAscii) {
            return content.find('\0') != npos;
        }
        for (std::size_t i = 0; i < content.size(); i += 2) {
            if (content[i] == '\0' && content[i + 1] == '\0') {
                return true;
            }
        }
        return false;
    }

    std::optional<Extent> walk(std::uint64_t index, std::size_t depth) {
        if (const auto known = extents_.find(index); known != extents_.end()) {
            return known->second;
        }
        // Each object walked counts at least once in the tree, so neither the table of extents
        // nor the work can outgrow the bound.
        if (depth > Bounds::kMaxDepth || extents_.size() >= Bounds::kMaxValues) {
            return std::nullopt;
        }
        const std::optional<Head> object = head(index);
        if (!object) {
            return std::nullopt;
        }
        Extent extent{1, 0, 1};
        if (object->kind == kAscii || object->kind == kUtf16) {
            if (holdsNul(*object)) {
                return std::nullopt;
            }
            // UTF-16 is read into UTF-8 in a buffer of four bytes a unit.
            extent.payloadBytes = object->kind == kUtf16 ? object->size * 4 : object->size;
        } else if (object->kind == kData) {
            extent.payloadBytes = object->size;
        } else if (object->kind == kArray || object->kind == kSet || object->kind == kDict) {
            const std::uint64_t references =
                object->kind == kDict ? 2 * object->size : object->size;
            for (std::uint64_t i = 0; i < references; ++i) {
                const std::uint64_t child =
                    bigEndian(bytes_, object->contentAt + i * refSize_, refSize_);
                if (child >= objects_) {
                    return std::nullopt;
                }
                const std::optional<Extent> inner = walk(child, depth + 1);
                if (!inner) {
                    return std::nullopt;
                }
                extent.values += inner->values;
                extent.payloadBytes += inner->payloadBytes;
                extent.depth = std::max(extent.depth, inner->depth + 1);
                if (extent.values > Bounds::kMaxValues) {
                    return std::nullopt;
                }
            }
        }
        if (extent.payloadBytes > Bounds::kMaxPayloadBytes) {
            return std::nullopt;
        }
        extents_.emplace(index, extent);
        return extent;
    }

    std::string_view bytes_;
    unsigned offsetSize_ = 0;
    unsigned refSize_ = 0;
    std::uint64_t objects_ = 0;
    std::uint64_t tableAt_ = 0;
    /// The extent of each object walked so far.
    std::unordered_map<std::uint64_t, Extent> extents_;
};

} // namespace

std::optional<std::string_view> boundedPropertyList(std::string_view bytes) {
    if (bytes.starts_with(kBinaryMagic)) {
        return BinaryWalk(bytes).withinBounds() ? std::optional(bytes) : std::nullopt;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) { // a UTF-8 byte order mark
        bytes.remove_prefix(3);
    }
    // The library reads from the root element on. What comes before it holds nothing for the
    // tree, and the later versions take some of it (a document type first, a byte order mark)
    // for OpenStep and refuse it.
    const std::optional<std::size_t> root = boundedXmlRoot(bytes);
    if (!root) {
        return std::nullopt;
    }
    return bytes.substr(*root);
}

} // namespace scanbrook::platform
