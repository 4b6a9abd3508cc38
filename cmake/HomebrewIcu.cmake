# Where Homebrew keeps the ICU that its qtbase links (a versioned, keg-only formula such as
# icu4c@78), asked of brew when configuring rather than written down, since it moves with Qt.
#   scanbrook_homebrew_icu(RESULT BREW)   RESULT: the formula's prefix, or "" when not found
# Also a script, for checking it with a stand-in brew:
#   cmake -DBREW=<brew> -P cmake/HomebrewIcu.cmake   prints the prefix
function(scanbrook_homebrew_icu result brew)
    set(prefix "")
    execute_process(COMMAND "${brew}" deps --direct qtbase
                    OUTPUT_VARIABLE deps RESULT_VARIABLE failed ERROR_QUIET)
    if(NOT failed AND deps MATCHES "(^|\n)(icu4c(@[0-9]+)?)(\n|$)")
        execute_process(COMMAND "${brew}" --prefix "${CMAKE_MATCH_2}"
                        OUTPUT_VARIABLE prefix OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    endif()
    set(${result} "${prefix}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    scanbrook_homebrew_icu(prefix "${BREW}")
    message("${prefix}")
endif()
