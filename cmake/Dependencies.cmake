# Every dependency comes from Debian's packages (scripts/install-deps.sh installs them), or on a
# Mac from Homebrew (the macos preset names its prefix).
find_package(PkgConfig REQUIRED)
# Homebrew's ICU is keg-only and versioned: the one to link is the one Homebrew's qtbase links,
# or the application would carry two ICUs (icu4c, an alias that moves on, and qtbase's).
include(${CMAKE_CURRENT_LIST_DIR}/HomebrewIcu.cmake)
if(APPLE AND NOT ICU_ROOT AND NOT DEFINED ENV{ICU_ROOT} AND SCANBROOK_BREW)
    scanbrook_homebrew_icu(icu_root "${SCANBROOK_BREW}")
    if(icu_root)
        message(STATUS "ICU: ${icu_root}, the one Homebrew's qtbase uses")
        set(ICU_ROOT "${icu_root}")
    endif()
endif()
pkg_check_modules(PLIST REQUIRED IMPORTED_TARGET libplist-2.0)
include(${CMAKE_CURRENT_LIST_DIR}/PlistApi.cmake)
find_package(ICU REQUIRED COMPONENTS uc i18n)
find_package(simdjson REQUIRED)
# The scan ledger: Debian's libsqlite3-dev, or on a Mac the SDK's own libsqlite3.
find_package(SQLite3 REQUIRED)
find_package(Threads REQUIRED)
if(SCANBROOK_BUILD_GUI)
    find_package(Qt6 REQUIRED COMPONENTS Widgets Network)
endif()
if(SCANBROOK_BUILD_TESTS)
    if(SCANBROOK_LIBCXX_ON_LINUX)
        # Debian's libgtest is built with libstdc++: build GoogleTest from Debian's sources
        # (the package googletest) with this build's compiler and flags instead.
        set(SCANBROOK_GOOGLETEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH
            "GoogleTest's sources, built along when the C++ library is libc++ on Linux")
        if(NOT EXISTS "${SCANBROOK_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt")
            message(FATAL_ERROR "libc++ on Linux needs GoogleTest's sources in "
                "${SCANBROOK_GOOGLETEST_SOURCE_DIR} (Debian's package googletest)")
        endif()
        set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
        add_subdirectory("${SCANBROOK_GOOGLETEST_SOURCE_DIR}"
            "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
    else()
        find_package(GTest REQUIRED)
    endif()
endif()
if(SCANBROOK_BUILD_BENCHMARKS)
    find_package(benchmark REQUIRED)
endif()
