# The program's icon: res/icon.svg, drawn here, rendered at build time with rsvg-convert
# (librsvg2-bin) into the PNG sizes of the desktop icon themes, which the Windows .ico holds too.
set(ICON_SVG ${CMAKE_SOURCE_DIR}/res/icon.svg)
set(ICON_SIZES 16 24 32 48 64 128 256)
set(ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ICON_PNGS "")
find_program(RSVG_CONVERT rsvg-convert)
if(RSVG_CONVERT)
    file(MAKE_DIRECTORY ${ICON_DIR})
    foreach(size ${ICON_SIZES})
        add_custom_command(OUTPUT ${ICON_DIR}/${size}.png
                           COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${ICON_DIR}/${size}.png
                                   ${ICON_SVG}
                           DEPENDS ${ICON_SVG} VERBATIM)
        list(APPEND ICON_PNGS ${ICON_DIR}/${size}.png)
    endforeach()
    add_custom_target(icons ALL DEPENDS ${ICON_PNGS})
elseif(WIN32)
    message(FATAL_ERROR "rsvg-convert (librsvg2-bin) is needed for the .exe's icon")
else()
    message(STATUS "rsvg-convert (librsvg2-bin) not found: only the SVG icon will be installed")
endif()
