# Run by CPack once the bundle is staged and before the DMG is made: the staged bundle is what
# the DMG carries, so it is what gets signed.
file(GLOB_RECURSE apps LIST_DIRECTORIES true "${CPACK_TEMPORARY_DIRECTORY}/*Scanbrook.app")
list(FILTER apps INCLUDE REGEX "/Scanbrook\\.app$")
if(NOT apps)
    message(FATAL_ERROR "No Scanbrook.app staged under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(app IN LISTS apps)
    execute_process(COMMAND bash "${CPACK_SCANBROOK_RELEASE_SCRIPT}" sign-app "${app}"
                    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
