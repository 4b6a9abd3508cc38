#pragma once

// The two forms of libplist's API (2.2, and 2.3 onwards), chosen when the build is configured
// (cmake/PlistApi.cmake defines SCANBROOK_PLIST_FORMAT_API for the later form). Include this
// header instead of <plist/plist.h>.

#include <plist/plist.h>

#include <cstdint>

namespace scanbrook::platform::plist_api {

/// The tree that libplist reads from `size` bytes at `data`, or null; the caller frees it.
inline plist_t fromMemory(const char* data, std::uint32_t size) {
    plist_t root = nullptr;
#ifdef SCANBROOK_PLIST_FORMAT_API
    if (plist_from_memory(data, size, &root, nullptr) != PLIST_ERR_SUCCESS) {
        plist_free(root);
        return nullptr;
    }
#else
    // This version reports failure only by leaving the root unset.
    plist_from_memory(data, size, &root);
#endif
    return root;
}

/// Frees what plist_to_bin or plist_to_xml wrote.
inline void freeWritten(char* written) {
#ifdef SCANBROOK_PLIST_FORMAT_API
    plist_mem_free(written);
#else
    plist_to_bin_free(written); // the same as plist_to_xml_free
#endif
}

} // namespace scanbrook::platform::plist_api
