# The program's icon: res/icon.svg, drawn here, rendered at build time with rsvg-convert
# (librsvg2-bin): for the desktop, the PNG sizes of the icon themes, which the Windows .ico holds
# too; for the browser, the sizes of the site's manifest (cmake/web.cmake).
set(ICON_SVG ${CMAKE_SOURCE_DIR}/res/icon.svg)
find_program(RSVG_CONVERT rsvg-convert)

# Commands that render the icon at each size of ARGN into dir/<size>.png; their paths in out.
function(render_icon out dir)
    file(MAKE_DIRECTORY ${dir})
    set(pngs "")
    foreach(size ${ARGN})
        add_custom_command(OUTPUT ${dir}/${size}.png
                           COMMAND ${RSVG_CONVERT} -w ${size} -h ${size} -o ${dir}/${size}.png
                                   ${ICON_SVG}
                           DEPENDS ${ICON_SVG} VERBATIM)
        list(APPEND pngs ${dir}/${size}.png)
    endforeach()
    set(${out} ${pngs} PARENT_SCOPE)
endfunction()

if(EMSCRIPTEN)
    return()
endif()
set(ICON_SIZES 16 24 32 48 64 128 256)
set(ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(ICON_PNGS "")
if(RSVG_CONVERT)
    render_icon(ICON_PNGS ${ICON_DIR} ${ICON_SIZES})
    add_custom_target(icons ALL DEPENDS ${ICON_PNGS})
elseif(WIN32)
    message(FATAL_ERROR "rsvg-convert (librsvg2-bin) is needed for the .exe's icon")
else()
    message(STATUS "rsvg-convert (librsvg2-bin) not found: only the SVG icon will be installed")
endif()
