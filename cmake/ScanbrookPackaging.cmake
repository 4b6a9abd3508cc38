# What `cmake --install` lays out and CPack packs.
#  - macOS: Scanbrook.app with scanbrook-cli in Contents/MacOS, made self-contained by Qt's
#    deployment script (macdeployqt copies Qt, ICU, libplist and simdjson into the bundle for
#    both programs), packed by CPack as a drag-and-drop DMG. scripts/macos-release.sh signs the
#    staged bundle before the DMG is made; scripts/macos-check-dmg.sh checks the DMG, then it is
#    signed. Contents/Resources/scanbrook-cli is the command-line wrapper to copy to
#    /usr/local/bin (scripts/macos-pkg.sh installs it there): the program in Contents/MacOS
#    loads its libraries from the bundle, so only it runs, and the wrapper starts it.
#  - Linux: bin/scanbrook and bin/scanbrook-cli, the icon in the hicolor theme and a desktop
#    entry. Debian's Qt is a system library here, so nothing is deployed.
include(GNUInstallDirs)
include("${CMAKE_CURRENT_LIST_DIR}/IconSizes.cmake")

if(APPLE)
    set(bundle_macos "Scanbrook.app/Contents/MacOS")
    if(SCANBROOK_BUILD_GUI)
        install(TARGETS scanbrook BUNDLE DESTINATION .)
        install(TARGETS scanbrook-cli RUNTIME DESTINATION "${bundle_macos}")
        # The deployment API took its present arguments in Qt 6.5 and DEPLOY_TOOL_OPTIONS in
        # 6.7; Debian's Qt 6.4 never gets here.
        if(Qt6_VERSION VERSION_LESS 6.7)
            message(FATAL_ERROR "Packaging Scanbrook.app needs Qt 6.7 or later (found ${Qt6_VERSION})")
        endif()
        # macdeployqt runs in the install prefix, so the path is relative to it.
        qt_generate_deploy_app_script(
            TARGET scanbrook
            OUTPUT_SCRIPT deploy_script
            NO_TRANSLATIONS
            DEPLOY_TOOL_OPTIONS "-executable=${bundle_macos}/scanbrook-cli")
        install(SCRIPT "${deploy_script}")
        install(PROGRAMS "${PROJECT_SOURCE_DIR}/packaging/macos/scanbrook-cli"
                DESTINATION "Scanbrook.app/Contents/Resources")
    else()
        install(TARGETS scanbrook-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
    endif()
else()
    install(TARGETS scanbrook-cli RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
    if(SCANBROOK_BUILD_GUI)
        install(TARGETS scanbrook RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
        get_target_property(icon_dir scanbrook_icon SCANBROOK_ICON_DIR)
        foreach(size IN LISTS SCANBROOK_ICON_SIZES)
            install(FILES "${icon_dir}/scanbrook-${size}.png"
                    DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps"
                    RENAME scanbrook.png)
        endforeach()
        install(FILES ${PROJECT_SOURCE_DIR}/packaging/scanbrook.svg
                DESTINATION "${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps")
        install(FILES ${PROJECT_SOURCE_DIR}/packaging/scanbrook.desktop
                DESTINATION "${CMAKE_INSTALL_DATADIR}/applications")
    endif()
endif()

set(CPACK_PACKAGE_NAME "Scanbrook")
set(CPACK_PACKAGE_VENDOR "Scanbrook developers")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
if(APPLE)
    set(CPACK_GENERATOR "DragNDrop")
    set(CPACK_DMG_VOLUME_NAME "Scanbrook")
    # The identity and notary profile come from the environment when cpack runs; without them
    # the bundle is signed ad hoc, which is enough to run on the Mac that built it.
    set(CPACK_SCANBROOK_RELEASE_SCRIPT "${PROJECT_SOURCE_DIR}/scripts/macos-release.sh")
    set(CPACK_SCANBROOK_CHECK_SCRIPT "${PROJECT_SOURCE_DIR}/scripts/macos-check-dmg.sh")
    # hdiutil through a wrapper that tries "create" again when the image is busy.
    set(CPACK_COMMAND_HDIUTIL "${PROJECT_SOURCE_DIR}/scripts/macos-hdiutil.sh")
    set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/CPackSignBundle.cmake")
    set(CPACK_POST_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/CPackSignDmg.cmake")
else()
    set(CPACK_GENERATOR "TGZ")
endif()
include(CPack)
