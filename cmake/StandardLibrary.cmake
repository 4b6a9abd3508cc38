# Which C++ library the compiler uses. Apple's toolchain always uses libc++, and so does clang on
# Linux given -stdlib=libc++: then C++ libraries that Debian built against libstdc++ (GoogleTest,
# google-benchmark) cannot be linked, while C libraries and simdjson can.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles([[
#include <version>
#if !defined(_LIBCPP_VERSION)
#error not libc++
#endif
int main() { return 0; }
]] SCANBROOK_USES_LIBCXX)
if(SCANBROOK_USES_LIBCXX AND NOT APPLE)
    set(SCANBROOK_LIBCXX_ON_LINUX ON)
else()
    set(SCANBROOK_LIBCXX_ON_LINUX OFF)
endif()
