# Lays out the simulated Mac's platform root; run by the target scanbrook_simroot at every
# build. Tools and fixed files are refreshed; the event store and the controls found there are
# kept, so a person's scan runs survive a rebuild.
foreach(_var ROOT SOURCE_DIR LOG_TOOL ID_TOOL XPROTECT_TOOL XPROTECT_CLI_TOOL LAUNCHCTL_TOOL)
    if(NOT DEFINED ${_var})
        message(FATAL_ERROR "LayOutRoot.cmake needs -D${_var}=...")
    endif()
endforeach()

set(_bundle "${ROOT}/Library/Apple/System/Library/CoreServices/XProtect.app")
file(MAKE_DIRECTORY
    "${ROOT}/usr/bin"
    "${ROOT}/bin"
    "${_bundle}/Contents/MacOS"
    "${ROOT}/sim/control"
    "${ROOT}/sim/store")

# file(COPY) keeps the executables' permissions and skips files that are already up to date.
file(COPY "${LOG_TOOL}" "${ID_TOOL}" "${XPROTECT_CLI_TOOL}" DESTINATION "${ROOT}/usr/bin")
file(COPY "${XPROTECT_TOOL}" DESTINATION "${_bundle}/Contents/MacOS")
file(COPY "${LAUNCHCTL_TOOL}" DESTINATION "${ROOT}/bin")
file(COPY "${SOURCE_DIR}/root/" DESTINATION "${ROOT}")
file(COPY "${SOURCE_DIR}/README.md" "${SOURCE_DIR}/data-copy.sh" DESTINATION "${ROOT}/sim")

if(NOT EXISTS "${ROOT}/sim/store/events.tsv")
    file(COPY_FILE "${SOURCE_DIR}/StoreTemplate.tsv" "${ROOT}/sim/store/events.tsv")
endif()
