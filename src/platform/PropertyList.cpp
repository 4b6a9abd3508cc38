#include "platform/PropertyList.h"

#include <plist/plist.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace scanbrook::platform {

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
using CString = std::unique_ptr<char, FreeDeleter>;

TextDictionary textValues(plist_t dictionary) {
    TextDictionary texts;
    plist_dict_iter rawIterator = nullptr;
    plist_dict_new_iter(dictionary, &rawIterator);
    const std::unique_ptr<void, FreeDeleter> iterator(rawIterator);
    for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(dictionary, iterator.get(), &rawKey, &value);
        const CString key(rawKey);
        if (value == nullptr) {
            break;
        }
        if (!key || plist_get_node_type(value) != PLIST_STRING) {
            continue;
        }
        std::uint64_t length = 0;
        if (const char* text = plist_get_string_ptr(value, &length)) {
            texts.insert_or_assign(key.get(), std::string(text, length));
        }
    }
    return texts;
}

/// Whether a string or key of the tree holds a NUL byte (an XML file can carry one raw or as a
/// character reference, a binary one in any string). The library's text getters abort the
/// whole process on such a text, so a list that holds one is refused before anything reads it.
/// Its XML writer copies every text whole, so the written form shows each NUL there is.
bool holdsNulText(plist_t root) {
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(root, &xml, &length);
    if (xml == nullptr) {
        return true; // cannot tell: not safe to read
    }
    const bool found = std::memchr(xml, '\0', length) != nullptr;
    plist_to_xml_free(xml);
    return found;
}

/// The property list in `bytes`, or null when they are none.
PlistPtr parse(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        return nullptr;
    }
    plist_t root = nullptr;
    // This version of the library reports failure only by leaving the root unset.
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &root);
    PlistPtr list(root);
    if (list && holdsNulText(list.get())) {
        return nullptr;
    }
    return list;
}

} // namespace

std::optional<TextDictionary> parseDictionary(std::string_view bytes) {
    const PlistPtr root = parse(bytes);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return std::nullopt;
    }
    return textValues(root.get());
}

std::optional<DictionaryArray> parseDictionaryArray(std::string_view bytes) {
    const PlistPtr root = parse(bytes);
    if (!root || plist_get_node_type(root.get()) != PLIST_ARRAY) {
        return std::nullopt;
    }

    DictionaryArray elements;
    const std::uint32_t count = plist_array_get_size(root.get());
    elements.reserve(count);
    for (std::uint32_t index = 0; index < count; ++index) {
        const plist_t element = plist_array_get_item(root.get(), index);
        if (element != nullptr && plist_get_node_type(element) == PLIST_DICT) {
            elements.emplace_back(textValues(element));
        } else {
            elements.emplace_back(std::nullopt);
        }
    }
    return elements;
}

} // namespace scanbrook::platform
