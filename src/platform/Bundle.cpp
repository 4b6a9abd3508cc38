#include "platform/Bundle.h"

#include "platform/BuildInfo.h"

#include <plist/plist.h>

#include <cstdlib>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <system_error>
#include <filesystem>

namespace scanbrook::platform {

namespace {

// An information dictionary is a few kilobytes; anything far larger is not one, and reading it
// whole would only cost memory.
constexpr std::uintmax_t kMaxInfoPlistBytes = 8U * 1024U * 1024U;

struct PlistDeleter {
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};
using CString = std::unique_ptr<char, FreeDeleter>;

} // namespace

std::optional<InfoDictionary> parseInfoDictionary(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > std::numeric_limits<std::uint32_t>::max()) {
        return std::nullopt;
    }
    plist_t rootNode = nullptr;
    // This version of the library reports failure only by leaving the root unset.
    plist_from_memory(bytes.data(), static_cast<std::uint32_t>(bytes.size()), &rootNode);
    const PlistPtr root(rootNode);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT) {
        return std::nullopt;
    }

    InfoDictionary dictionary;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(root.get(), &iterator);
    const std::unique_ptr<void, decltype(&std::free)> iteratorOwner(iterator, &std::free);
    for (;;) {
        char* rawKey = nullptr;
        plist_t value = nullptr;
        plist_dict_next_item(root.get(), iterator, &rawKey, &value);
        const CString key(rawKey);
        if (value == nullptr) {
            break;
        }
        if (!key || plist_get_node_type(value) != PLIST_STRING) {
            continue;
        }
        char* rawText = nullptr;
        plist_get_string_val(value, &rawText);
        const CString text(rawText);
        if (text) {
            dictionary.insert_or_assign(key.get(), text.get());
        }
    }
    return dictionary;
}

std::optional<InfoDictionary> bundleInfoDictionary(const std::string& bundlePath) {
    std::error_code error;
    if (!std::filesystem::is_directory(bundlePath, error)) {
        return std::nullopt;
    }
    const std::filesystem::path infoPath =
        std::filesystem::path(bundlePath) / "Contents" / "Info.plist";
    const auto size = std::filesystem::file_size(infoPath, error);
    if (error || size > kMaxInfoPlistBytes) {
        return std::nullopt;
    }
    std::ifstream file(infoPath, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream contents;
    contents << file.rdbuf();
    if (file.bad()) {
        return std::nullopt;
    }
    return parseInfoDictionary(contents.view());
}

std::optional<InfoDictionary> mainBundleInfoDictionary() {
    return parseInfoDictionary(build::kInfoPlist);
}

} // namespace scanbrook::platform
