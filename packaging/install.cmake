# What `cmake --install` puts under the prefix, and the Debian package made from it with
# `cpack -G DEB`. The folders below are the ones the program looks for relative to its
# executable (src/platform/base/Installation.cpp). Included by the top-level CMakeLists.txt
# once the program, its window module and the artwork targets exist.
# The application id names the desktop entry, the icon and the metadata, and the window
# carries it (WindowHost); it is the one in Info.
file(STRINGS ${CMAKE_SOURCE_DIR}/resources/Info id_line REGEX "^CFBundleIdentifier *=")
string(REGEX REPLACE "^CFBundleIdentifier *= *" "" PIXELLO_APP_ID "${id_line}")
set(PIXELLO_DATA_DIR share/pixello)
set(PIXELLO_MODULE_DIR lib/pixello)
set(packaging ${CMAKE_CURRENT_LIST_DIR})
set(packaging_work ${CMAKE_BINARY_DIR}/packaging)
find_program(GZIP gzip REQUIRED)

install(TARGETS pixello RUNTIME DESTINATION bin)
install(TARGETS pixello_window_module LIBRARY DESTINATION ${PIXELLO_MODULE_DIR})
install(DIRECTORY ${PIXELLO_BUILD_RESOURCES}/ DESTINATION ${PIXELLO_DATA_DIR}
    FILES_MATCHING PATTERN "*.png" PATTERN "Info" PATTERN "locale" EXCLUDE)
install(DIRECTORY ${PIXELLO_BUILD_RESOURCES}/locale/ DESTINATION share/locale)

# The application icon at the sizes menus and docks ask for, and scalable.
set(icon_source ${CMAKE_SOURCE_DIR}/tools/applicationIcon.svg)
set(icon_pngs)
foreach(size 48 128 256)
    set(png ${packaging_work}/icons/${size}x${size}/${PIXELLO_APP_ID}.png)
    add_custom_command(OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_work}/icons/${size}x${size}
        COMMAND ${RSVG_CONVERT} --width=${size} --height=${size} --output=${png} ${icon_source}
        DEPENDS ${icon_source}
        COMMENT "Rendering the ${size} px application icon"
        VERBATIM)
    list(APPEND icon_pngs ${png})
    install(FILES ${png} DESTINATION share/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES ${icon_source} DESTINATION share/icons/hicolor/scalable/apps
    RENAME ${PIXELLO_APP_ID}.svg)

# The store listing's picture: the editor itself, run from a script on the default picture.
set(SCREENSHOT ${packaging_work}/screenshots/main.png)
set(SCREENSHOT_WIDTH 640)
set(SCREENSHOT_HEIGHT 960)
configure_file(${packaging}/screenshot.txt.in ${packaging_work}/screenshot.txt @ONLY)
add_custom_command(OUTPUT ${SCREENSHOT}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${packaging_work}/screenshot-data
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging_work}/screenshots
    COMMAND ${CMAKE_COMMAND} -E env LANGUAGE=en $<TARGET_FILE:pixello> --headless --scale 2
            --data-dir ${packaging_work}/screenshot-data
            --pictures-dir ${packaging_work}/screenshot-data
            --script ${packaging_work}/screenshot.txt
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${packaging_work}/screenshot-data
    DEPENDS pixello pixello_artwork pixello_resources ${packaging_work}/screenshot.txt
    COMMENT "Taking the screenshot of the store listing"
    VERBATIM)

configure_file(${packaging}/pixello.metainfo.xml.in
    ${packaging_work}/${PIXELLO_APP_ID}.metainfo.xml @ONLY)
configure_file(${packaging}/pixello.desktop.in ${packaging_work}/${PIXELLO_APP_ID}.desktop @ONLY)
configure_file(${packaging}/pixello.1.in ${packaging_work}/pixello.1 @ONLY)
# Manual pages and the changelog go compressed, without a time stamp in the header, so that
# every build of the same sources gives the same package.
set(gzipped)
foreach(file pixello.1 changelog)
    if(file STREQUAL "changelog")
        set(from ${packaging}/changelog)
    else()
        set(from ${packaging_work}/${file})
    endif()
    add_custom_command(OUTPUT ${packaging_work}/${file}.gz
        COMMAND ${GZIP} -9 -n -c ${from} > ${packaging_work}/${file}.gz
        DEPENDS ${from}
        COMMENT "Compressing ${file}")
    list(APPEND gzipped ${packaging_work}/${file}.gz)
endforeach()
add_custom_target(pixello_desktop_files ALL DEPENDS ${icon_pngs} ${SCREENSHOT} ${gzipped})

install(FILES ${packaging_work}/${PIXELLO_APP_ID}.desktop DESTINATION share/applications)
install(FILES ${packaging_work}/${PIXELLO_APP_ID}.metainfo.xml DESTINATION share/metainfo)
install(FILES ${packaging_work}/pixello.1.gz DESTINATION share/man/man1)
install(FILES ${packaging}/copyright ${packaging_work}/changelog.gz DESTINATION share/doc/pixello)

# `cpack -G DEB`: the package's dependencies come from the binaries; SDL2_ttf, libheif and
# Mesa's drivers are opened at run time, so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pixello)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Pixello developers <developers@pixello.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "photo deformation editor")
# The long description; CPack indents it and marks the empty line as a paragraph break.
string(JOIN "\n" CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Pixello lays a photo on a fine triangle mesh and deforms it with the fingers"
    "or the mouse: smudge drags the picture along, bump swells a circle and pinch"
    "pulls one in. Pan, zoom and crop the result and save it to the Pictures"
    "folder. Every finished stroke can be undone and redone, also after a restart."
    ""
    "It runs in a desktop window or on a phone shell's touch screen, and"
    "headless from a script for batch work.")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://pixello.org)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libsdl2-ttf-2.0-0, libheif1, libegl-mesa0, libgl1-mesa-dri, fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-user-dirs")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${packaging}/postinst ${packaging}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
