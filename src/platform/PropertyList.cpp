#include "platform/PropertyList.h"

#include "platform/PlistApi.h"
#include "platform/PropertyListShape.h"

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

/// Whether a text of the tree holds a NUL character: the platform's reader keeps such a text
/// whole, so the catalogue would say something there other than what is read here. Keys are
/// not looked at: the library cuts an XML key short at a NUL, and the texts of a binary list,
/// keys among them, are looked at before the library reads them (it cuts ASCII texts short at a
/// NUL and aborts the process when asked for a key that holds one).
bool holdsNulText(plist_t node) {
    switch (plist_get_node_type(node)) {
    case PLIST_STRING: {
        std::uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        return text != nullptr && std::memchr(text, '\0', length) != nullptr;
    }
    case PLIST_ARRAY:
        for (std::uint32_t i = 0, count = plist_array_get_size(node); i < count; ++i) {
            if (holdsNulText(plist_array_get_item(node, i))) {
                return true;
            }
        }
        return false;
    case PLIST_DICT: {
        plist_dict_iter rawIterator = nullptr;
        plist_dict_new_iter(node, &rawIterator);
        const std::unique_ptr<void, FreeDeleter> iterator(rawIterator);
        for (;;) {
            plist_t value = nullptr;
            plist_dict_next_item(node, iterator.get(), nullptr, &value);
            if (value == nullptr) {
                return false;
            }
            if (holdsNulText(value)) {
                return true;
            }
        }
    }
    default:
        return false;
    }
}

/// The property list in `bytes`, or null when they are none or one that is not safe to read.
/// The tree is bounded before the library sees the bytes (the walk above recurses through it).
PlistPtr parse(std::string_view bytes) {
    if (bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        return nullptr;
    }
    const std::optional<std::string_view> body = boundedPropertyList(bytes);
    if (!body) {
        return nullptr;
    }
    PlistPtr list(plist_api::fromMemory(body->data(), static_cast<std::uint32_t>(body->size())));
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

std::optional<std::vector<std::string>> parseTextArray(std::string_view bytes,
                                                       std::string_view key) {
    const PlistPtr root = parse(bytes);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return std::nullopt;
    }
    const plist_t array = plist_dict_get_item(root.get(), std::string(key).c_str());
    if (array == nullptr || plist_get_node_type(array) != PLIST_ARRAY) {
        return std::nullopt;
    }
    std::vector<std::string> texts;
    for (std::uint32_t i = 0, count = plist_array_get_size(array); i < count; ++i) {
        const plist_t item = plist_array_get_item(array, i);
        std::uint64_t length = 0;
        const char* text = plist_get_node_type(item) == PLIST_STRING
                               ? plist_get_string_ptr(item, &length)
                               : nullptr;
        if (text == nullptr) {
            return std::nullopt;
        }
        texts.emplace_back(text, length);
    }
    return texts;
}

std::string xmlPropertyList(const PlistEntries& entries) {
    const PlistPtr dictionary(plist_new_dict());
    for (const auto& [key, value] : entries) {
        plist_t node = nullptr;
        if (const auto* text = std::get_if<std::string>(&value)) {
            node = plist_new_string(text->c_str());
        } else if (const auto* number = std::get_if<std::int64_t>(&value)) {
            node = plist_new_uint(static_cast<std::uint64_t>(*number));
        } else if (const auto* flag = std::get_if<bool>(&value)) {
            node = plist_new_bool(*flag ? 1 : 0);
        } else {
            node = plist_new_array();
            for (const std::string& element : std::get<std::vector<std::string>>(value)) {
                plist_array_append_item(node, plist_new_string(element.c_str()));
            }
        }
        plist_dict_set_item(dictionary.get(), key.c_str(), node);
    }
    char* xml = nullptr;
    std::uint32_t length = 0;
    plist_to_xml(dictionary.get(), &xml, &length);
    std::string written = xml != nullptr ? std::string(xml, length) : std::string();
    plist_api::freeWritten(xml);
    return written;
}

} // namespace scanbrook::platform
