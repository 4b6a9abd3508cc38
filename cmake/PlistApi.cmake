# libplist 2.3 changed its API: plist_from_memory takes a fourth argument and returns an error
# code, and plist_mem_free replaced plist_to_xml_free and plist_to_bin_free. Debian 12 has 2.2,
# Homebrew a later one, so the form is found by compiling against the headers at hand; whoever
# links PkgConfig::PLIST gets SCANBROOK_PLIST_FORMAT_API when the newer form is there.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_LIBRARIES PkgConfig::PLIST)
set(CMAKE_REQUIRED_QUIET ON)
# The result is cached per library version, so pointing an existing build at another libplist
# checks again.
string(MAKE_C_IDENTIFIER "SCANBROOK_PLIST_FORMAT_API_${PLIST_VERSION}" _scanbrook_plist_check)
check_cxx_source_compiles([[
#include <plist/plist.h>
int main() {
    plist_t root = nullptr;
    plist_format_t format = PLIST_FORMAT_NONE;
    const plist_err_t error = plist_from_memory("<plist/>", 8, &root, &format);
    plist_mem_free(nullptr);
    return error == PLIST_ERR_SUCCESS ? 0 : 1;
}
]] ${_scanbrook_plist_check})
unset(CMAKE_REQUIRED_LIBRARIES)
unset(CMAKE_REQUIRED_QUIET)
if(${_scanbrook_plist_check})
    message(STATUS "libplist ${PLIST_VERSION}: the 2.3+ API")
    set_property(TARGET PkgConfig::PLIST APPEND
        PROPERTY INTERFACE_COMPILE_DEFINITIONS SCANBROOK_PLIST_FORMAT_API)
else()
    message(STATUS "libplist ${PLIST_VERSION}: the 2.2 API")
endif()
