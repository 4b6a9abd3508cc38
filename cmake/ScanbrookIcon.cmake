# The application icon: one drawing (packaging/scanbrook.svg) rendered by the build into PNGs
# (the window icon and the Linux icon theme) and an .icns (the Mac bundle). Included by the
# window application's CMakeLists, so that the outputs belong to its folder. The tools are
# required: without them there would be no icon, and a package without one is broken.
include("${CMAKE_CURRENT_LIST_DIR}/IconSizes.cmake")

set(SCANBROOK_ICON_SVG "${PROJECT_SOURCE_DIR}/packaging/scanbrook.svg")
set(SCANBROOK_ICON_DIR "${CMAKE_CURRENT_BINARY_DIR}/icon")
set(SCANBROOK_ICNS "${SCANBROOK_ICON_DIR}/Scanbrook.icns")

find_program(SCANBROOK_RSVG_CONVERT rsvg-convert)
if(NOT SCANBROOK_RSVG_CONVERT)
    message(FATAL_ERROR "rsvg-convert renders the icon: install librsvg2-bin (Debian) or librsvg (Homebrew)")
endif()
if(APPLE)
    find_program(SCANBROOK_ICONUTIL iconutil)
    if(NOT SCANBROOK_ICONUTIL)
        message(FATAL_ERROR "iconutil makes the icon's .icns: install the Xcode command line tools")
    endif()
    set(icns_tool "-DICONUTIL=${SCANBROOK_ICONUTIL}")
else()
    find_program(SCANBROOK_PNG2ICNS png2icns)
    if(NOT SCANBROOK_PNG2ICNS)
        message(FATAL_ERROR "png2icns makes the icon's .icns: install icnsutils")
    endif()
    set(icns_tool "-DPNG2ICNS=${SCANBROOK_PNG2ICNS}")
endif()

set(SCANBROOK_ICON_PNGS "")
foreach(size IN LISTS SCANBROOK_ICON_SIZES)
    list(APPEND SCANBROOK_ICON_PNGS "${SCANBROOK_ICON_DIR}/scanbrook-${size}.png")
endforeach()
add_custom_command(
    OUTPUT ${SCANBROOK_ICON_PNGS} "${SCANBROOK_ICNS}"
    COMMAND "${CMAKE_COMMAND}" -E make_directory "${SCANBROOK_ICON_DIR}"
    COMMAND "${CMAKE_COMMAND}" "-DSVG=${SCANBROOK_ICON_SVG}" "-DOUT=${SCANBROOK_ICON_DIR}"
            "-DRSVG=${SCANBROOK_RSVG_CONVERT}" "${icns_tool}"
            -P "${PROJECT_SOURCE_DIR}/cmake/RenderIcon.cmake"
    DEPENDS "${SCANBROOK_ICON_SVG}" "${PROJECT_SOURCE_DIR}/cmake/RenderIcon.cmake"
            "${PROJECT_SOURCE_DIR}/cmake/IconSizes.cmake"
    COMMENT "Rendering the application icon"
    VERBATIM)
add_custom_target(scanbrook_icon ALL DEPENDS ${SCANBROOK_ICON_PNGS} "${SCANBROOK_ICNS}")
set_target_properties(scanbrook_icon PROPERTIES SCANBROOK_ICON_DIR "${SCANBROOK_ICON_DIR}")
