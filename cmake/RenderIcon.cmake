# Renders the icon drawing into the PNG sizes and the Mac's .icns; run by the build as
#   cmake -DSVG=... -DOUT=... -DRSVG=... (-DICONUTIL=... | -DPNG2ICNS=...) -P RenderIcon.cmake
# The PNGs are OUT/scanbrook-<size>.png, the icon family OUT/Scanbrook.icns.
include("${CMAKE_CURRENT_LIST_DIR}/IconSizes.cmake")

foreach(size IN LISTS SCANBROOK_ICON_SIZES)
    execute_process(
        COMMAND "${RSVG}" --width=${size} --height=${size} --keep-aspect-ratio
                --output "${OUT}/scanbrook-${size}.png" "${SVG}"
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()

if(ICONUTIL)
    # iconutil reads a folder of fixed names: each size once and at twice its pixels.
    set(iconset "${OUT}/Scanbrook.iconset")
    file(REMOVE_RECURSE "${iconset}")
    file(MAKE_DIRECTORY "${iconset}")
    foreach(points 16 32 128 256 512)
        math(EXPR doubled "${points} * 2")
        file(COPY_FILE "${OUT}/scanbrook-${points}.png" "${iconset}/icon_${points}x${points}.png")
        file(COPY_FILE "${OUT}/scanbrook-${doubled}.png"
             "${iconset}/icon_${points}x${points}@2x.png")
    endforeach()
    execute_process(COMMAND "${ICONUTIL}" --convert icns --output "${OUT}/Scanbrook.icns" "${iconset}"
                    COMMAND_ERROR_IS_FATAL ANY)
else()
    # png2icns takes the sizes the format has a slot for.
    set(pngs "")
    foreach(size 16 32 128 256 512 1024)
        list(APPEND pngs "${OUT}/scanbrook-${size}.png")
    endforeach()
    execute_process(COMMAND "${PNG2ICNS}" "${OUT}/Scanbrook.icns" ${pngs}
                    OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
endif()
