# Renders the editor's artwork from the SVG sources in tools/ into the build's
# resource folder: the tool-button images at scales 1, 2 and 3, the default
# picture shown at first launch and the window's icon. Included by the top-level CMakeLists.txt after
# the libraries exist, so the platform library can wait for the pictures.
find_program(RSVG_CONVERT rsvg-convert REQUIRED)

# A new button: draw tools/icons/NAME.svg on a 40 × 30 canvas with strokes and fills in
# currentColor (the states pick the colour), then add NAME here.
set(PIXELLO_ICON_NAMES camera pick free undo redo settings save smudge bump pinch crop)
set(PIXELLO_ICON_STATES Image Pressed Active)
set(icon_template ${CMAKE_CURRENT_LIST_DIR}/icons/button.svg.in)
set(icon_script ${CMAKE_CURRENT_LIST_DIR}/ButtonState.cmake)
set(icon_work ${CMAKE_BINARY_DIR}/icons)
# A button is 40 × 30 points.
set(icon_width 40)
set(icon_height 30)

set(artwork)
foreach(name ${PIXELLO_ICON_NAMES})
    set(icon ${CMAKE_CURRENT_LIST_DIR}/icons/${name}.svg)
    foreach(state ${PIXELLO_ICON_STATES})
        set(svg ${icon_work}/${name}Item${state}.svg)
        add_custom_command(OUTPUT ${svg}
            COMMAND ${CMAKE_COMMAND} -DICON=${icon} -DTEMPLATE=${icon_template}
                    -DSTATE=${state} -DOUTPUT=${svg} -P ${icon_script}
            DEPENDS ${icon} ${icon_template} ${icon_script}
            COMMENT "Dressing ${name} for the ${state} state"
            VERBATIM)

        set(pngs)
        set(commands)
        foreach(scale 1 2 3)
            if(scale EQUAL 1)
                set(png ${PIXELLO_BUILD_RESOURCES}/${name}Item${state}.png)
            else()
                set(png ${PIXELLO_BUILD_RESOURCES}/${name}Item${state}@${scale}x.png)
            endif()
            math(EXPR w "${icon_width} * ${scale}")
            math(EXPR h "${icon_height} * ${scale}")
            list(APPEND pngs ${png})
            list(APPEND commands COMMAND ${RSVG_CONVERT} --width=${w} --height=${h}
                 --output=${png} ${svg})
        endforeach()
        add_custom_command(OUTPUT ${pngs}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PIXELLO_BUILD_RESOURCES}
            ${commands}
            DEPENDS ${svg}
            COMMENT "Rendering ${name}Item${state}.png"
            VERBATIM)
        list(APPEND artwork ${pngs})
    endforeach()
endforeach()

# The first-launch picture: 600 × 600 pixels, opaque.
set(default_image ${PIXELLO_BUILD_RESOURCES}/defaultImage.png)
add_custom_command(OUTPUT ${default_image}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PIXELLO_BUILD_RESOURCES}
    COMMAND ${RSVG_CONVERT} --width=600 --height=600 --background-color=white
            --output=${default_image} ${CMAKE_CURRENT_LIST_DIR}/defaultImage.svg
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/defaultImage.svg
    COMMENT "Rendering defaultImage.png"
    VERBATIM)
list(APPEND artwork ${default_image})

# The window's own icon, drawn from the application icon.
set(window_icon ${PIXELLO_BUILD_RESOURCES}/applicationIcon.png)
add_custom_command(OUTPUT ${window_icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PIXELLO_BUILD_RESOURCES}
    COMMAND ${RSVG_CONVERT} --width=64 --height=64 --output=${window_icon}
            ${CMAKE_CURRENT_LIST_DIR}/applicationIcon.svg
    DEPENDS ${CMAKE_CURRENT_LIST_DIR}/applicationIcon.svg
    COMMENT "Rendering applicationIcon.png"
    VERBATIM)
list(APPEND artwork ${window_icon})

add_custom_target(pixello_artwork ALL DEPENDS ${artwork})
add_dependencies(pixello_platform pixello_artwork)
