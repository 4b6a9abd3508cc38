# One interface target carries the language standard, the warnings and the Qt safety defines,
# so every layer is built the same way.
add_library(scanbrook_options INTERFACE)
target_compile_features(scanbrook_options INTERFACE cxx_std_20)
target_compile_options(scanbrook_options INTERFACE
    -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Woverloaded-virtual
    -Wcast-align -Wnull-dereference -Wimplicit-fallthrough -Wformat=2)
if(SCANBROOK_WERROR)
    target_compile_options(scanbrook_options INTERFACE -Werror)
    # GCC 12's optimiser reports false positives of these two inside libstdc++'s own string and
    # stream code (std::string assignment, istreambuf_iterator); in optimised builds they stay
    # warnings, so that a Release build succeeds.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
        target_compile_options(scanbrook_options INTERFACE
            "$<$<NOT:$<CONFIG:Debug>>:-Wno-error=restrict;-Wno-error=null-dereference>")
    endif()
endif()

# Qt's deprecations. The code builds with Qt 6.4 (Debian 12's) and with whatever Homebrew ships
# today, so an API that a later Qt deprecates may still be the only one 6.4 has: warnings stop at
# the oldest Qt supported, and a -Werror build against a newer Qt does not break when Qt moves on
# (the macOS workflow shows the newer deprecations in a step that may fail). Set
# SCANBROOK_QT_DISABLE_DEPRECATED_UP_TO to compile with every API deprecated up to that version
# removed; Qt before 6.5 names the same limit QT_DISABLE_DEPRECATED_BEFORE.
set(SCANBROOK_QT_WARN_DEPRECATED_UP_TO "0x060400" CACHE STRING
    "Warn about Qt APIs deprecated up to this Qt version (0xMMmmpp)")
set(SCANBROOK_QT_DISABLE_DEPRECATED_UP_TO "" CACHE STRING
    "Remove the Qt APIs deprecated up to this Qt version (0xMMmmpp); empty: keep them")
foreach(qt_version SCANBROOK_QT_WARN_DEPRECATED_UP_TO SCANBROOK_QT_DISABLE_DEPRECATED_UP_TO)
    if(NOT "${${qt_version}}" MATCHES "^(0x[0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f][0-9A-Fa-f])?$")
        message(FATAL_ERROR "${qt_version} must read like 0x060400")
    endif()
endforeach()
if(SCANBROOK_QT_WARN_DEPRECATED_UP_TO)
    target_compile_definitions(scanbrook_options INTERFACE
        QT_WARN_DEPRECATED_UP_TO=${SCANBROOK_QT_WARN_DEPRECATED_UP_TO})
endif()
if(SCANBROOK_QT_DISABLE_DEPRECATED_UP_TO)
    target_compile_definitions(scanbrook_options INTERFACE
        QT_DISABLE_DEPRECATED_UP_TO=${SCANBROOK_QT_DISABLE_DEPRECATED_UP_TO}
        QT_DISABLE_DEPRECATED_BEFORE=${SCANBROOK_QT_DISABLE_DEPRECATED_UP_TO})
endif()

# Apple's linker (Xcode 15 and later) warns of every library named twice on a link line, which
# CMake's transitive libraries do by design; where the linker knows the option, that stays quiet.
if(APPLE)
    include(CheckLinkerFlag)
    check_linker_flag(CXX "LINKER:-no_warn_duplicate_libraries"
        SCANBROOK_LINKER_NO_WARN_DUPLICATE_LIBRARIES)
    if(SCANBROOK_LINKER_NO_WARN_DUPLICATE_LIBRARIES)
        target_link_options(scanbrook_options INTERFACE "LINKER:-no_warn_duplicate_libraries")
    endif()
endif()

# Every Linux-only call (inside src/platform/, behind __linux__) then gives way to its portable
# POSIX fallback, so that the code a Mac runs is built and tested here too.
if(SCANBROOK_PORTABLE_POSIX)
    target_compile_definitions(scanbrook_options INTERFACE SCANBROOK_PORTABLE_POSIX)
endif()

# Qt targets additionally refuse implicit conversions from 8-bit strings, so every literal that
# reaches the user is spelled as UTF-8 on purpose.
add_library(scanbrook_qt_options INTERFACE)
target_link_libraries(scanbrook_qt_options INTERFACE scanbrook_options)
target_compile_definitions(scanbrook_qt_options INTERFACE
    QT_NO_CAST_FROM_ASCII QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING
    QT_NO_CAST_FROM_BYTEARRAY QT_USE_QSTRINGBUILDER QT_NO_KEYWORDS)

# Where the update check looks. A release sets both to its own HTTPS addresses; the defaults lie
# under a reserved name that never resolves. A catalogue entry is offered only when its download
# address begins with the base, so the base must end with "/" (otherwise a look-alike host such
# as "<base>.elsewhere.example" would begin with it too).
set(SCANBROOK_UPDATE_CATALOGUE_URL "https://scanbrook.example/updates/catalogue.plist"
    CACHE STRING "HTTPS address of the update catalogue")
set(SCANBROOK_DOWNLOAD_BASE_URL "https://scanbrook.example/downloads/"
    CACHE STRING "HTTPS address that every offered download address must begin with")
foreach(url_option SCANBROOK_UPDATE_CATALOGUE_URL SCANBROOK_DOWNLOAD_BASE_URL)
    if(NOT ${url_option} MATCHES "^https://[^\"\\\\ ]+$")
        message(FATAL_ERROR "${url_option} must be an https:// address without spaces, quotes or backslashes")
    endif()
endforeach()
if(NOT SCANBROOK_DOWNLOAD_BASE_URL MATCHES "^https://[^/]+/(.*/)?$")
    message(FATAL_ERROR "SCANBROOK_DOWNLOAD_BASE_URL must end with \"/\"")
endif()
