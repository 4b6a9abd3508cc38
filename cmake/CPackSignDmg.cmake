# Run by CPack after the DMG is made: checks the application in it as another Mac will see it,
# then signs the DMG, has it notarized and staples the ticket.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
    if(package MATCHES "\\.dmg$")
        execute_process(COMMAND bash "${CPACK_SCANBROOK_CHECK_SCRIPT}" "${package}"
                        COMMAND_ERROR_IS_FATAL ANY)
        execute_process(COMMAND bash "${CPACK_SCANBROOK_RELEASE_SCRIPT}" sign-dmg "${package}"
                        COMMAND_ERROR_IS_FATAL ANY)
    endif()
endforeach()
