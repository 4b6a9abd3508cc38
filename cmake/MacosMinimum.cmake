# The oldest macOS the application runs on: the deployment target of Mac builds and the bundle's
# minimum system version (SCANBROOK_MACOS_MINIMUM), decided before project() picks the toolchain.
#
# Homebrew's bottles are built for the macOS they were bottled on (qtbase for 14.0 at most, the
# rest for the bottling machine's), so an application that links them loads on no older macOS
# than the one that built it, whatever its deployment target says. With Homebrew's libraries the
# default is therefore the host's major version, and an older one is refused; otherwise 14.0, the
# oldest macOS that Homebrew's Qt and ICU are bottled for.
#
# Also a script, for checking the rule without a Mac:
#   cmake -DREQUESTED=<version or ""> -DHOST=<host macOS or ""> -DHOMEBREW=<prefix or ""> \
#         -P cmake/MacosMinimum.cmake
# prints the minimum it decides, or fails with the message a configure would.

set(SCANBROOK_DEFAULT_MACOS_MINIMUM "14.0")

# Sets `result` to the minimum for a build that asked for `requested` ("" for the default), on a
# Mac whose version is `host` ("" elsewhere), with Homebrew at `homebrew` ("" without it).
function(scanbrook_macos_minimum result requested host homebrew)
    if(requested STREQUAL "")
        if(host MATCHES "^([0-9]+)" AND NOT homebrew STREQUAL "")
            set(requested "${CMAKE_MATCH_1}.0")
        else()
            set(requested "${SCANBROOK_DEFAULT_MACOS_MINIMUM}")
        endif()
    endif()
    if(NOT requested MATCHES "^[0-9]+\\.[0-9]+$")
        message(FATAL_ERROR "SCANBROOK_MACOS_MINIMUM must read like 14.0, not \"${requested}\"")
    endif()
    if(host MATCHES "^([0-9]+)" AND NOT homebrew STREQUAL "")
        set(host_major "${CMAKE_MATCH_1}")
        if(requested VERSION_LESS "${host_major}.0")
            message(FATAL_ERROR "SCANBROOK_MACOS_MINIMUM ${requested} is older than this Mac's "
                "macOS ${host_major}: the libraries from Homebrew (${homebrew}) are built for "
                "macOS ${host_major} and would not load on ${requested}. Leave it unset (then it "
                "is ${host_major}.0), or build the libraries yourself for an older macOS.")
        endif()
    endif()
    set(${result} "${requested}" PARENT_SCOPE)
endfunction()

# This Mac's version and Homebrew's prefix, both "" elsewhere (sw_vers exists only on a Mac).
function(scanbrook_detect_mac host_var homebrew_var)
    set(host "")
    set(homebrew "")
    if(EXISTS /usr/bin/sw_vers)
        execute_process(COMMAND /usr/bin/sw_vers -productVersion
                        OUTPUT_VARIABLE host OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        find_program(SCANBROOK_BREW brew PATHS /opt/homebrew/bin /usr/local/bin)
        if(SCANBROOK_BREW)
            execute_process(COMMAND "${SCANBROOK_BREW}" --prefix
                            OUTPUT_VARIABLE homebrew OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
        endif()
    endif()
    set(${host_var} "${host}" PARENT_SCOPE)
    set(${homebrew_var} "${homebrew}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    scanbrook_macos_minimum(minimum "${REQUESTED}" "${HOST}" "${HOMEBREW}")
    message("${minimum}")
endif()
