# The browser build, through Emscripten (emcmake cmake): its dependencies as the browser has them,
# and the one self-contained page, index.html, that kivo_model becomes.
if(CMAKE_VERSION VERSION_LESS 3.19)
    message(FATAL_ERROR "The browser build needs CMake 3.19 or later")
endif()

# GLFW is Emscripten's own, drawing into the page's canvas; OpenGL is WebGL2, which is OpenGL ES
# 3.0. GLAD loads it through glfwGetProcAddress as on the desktop; the calls WebGL2 lacks stay
# null, and the platform layer never makes them.
add_library(glfw INTERFACE)
target_link_options(glfw INTERFACE -sUSE_GLFW=3)
add_library(OpenGL::GL INTERFACE IMPORTED)
set_target_properties(OpenGL::GL PROPERTIES
    INTERFACE_LINK_OPTIONS "-sMIN_WEBGL_VERSION=2;-sMAX_WEBGL_VERSION=2")
set(PLATFORM_SOURCE src/platform/web_platform.cpp)

# Emscripten leaves C++ exceptions out unless asked; without them a failed shader read, which is
# reported from a caught exception, would stop the page instead.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

# The page: the shell in web/ around the program, all in one file. The shaders are embedded
# under the names the program opens. The maps go in as lossless WebP images with each file's own
# header bytes beside them (tools/web-maps, through Debian's cwebp): images the browser decodes
# while the program compiles, from which the page rebuilds the exact BMP files before main runs.
set(CMAKE_EXECUTABLE_SUFFIX .html)
list(TRANSFORM RUN_IMAGES PREPEND res/ OUTPUT_VARIABLE web_maps)
list(TRANSFORM web_maps PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE web_map_files)
set(WEB_SHELL ${CMAKE_BINARY_DIR}/shell.html)
find_program(CWEBP_EXECUTABLE cwebp REQUIRED)
add_custom_command(
    OUTPUT ${WEB_SHELL}
    COMMAND ${CMAKE_SOURCE_DIR}/tools/web-maps ${CMAKE_SOURCE_DIR}/web/shell.html ${WEB_SHELL}
            --root ${CMAKE_SOURCE_DIR} --cwebp ${CWEBP_EXECUTABLE} ${web_maps}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/web-maps ${CMAKE_SOURCE_DIR}/web/shell.html ${web_map_files}
    COMMENT "Putting the maps into the page's shell"
    VERBATIM)
add_custom_target(web_shell DEPENDS ${WEB_SHELL})
set(WEB_PAGE_FILES ${WEB_SHELL})
add_link_options("SHELL:--shell-file ${WEB_SHELL}" -sSINGLE_FILE=1)
foreach(name ${RUN_SHADERS})
    add_link_options("SHELL:--embed-file ${CMAKE_SOURCE_DIR}/shaders/${name}@${name}")
    list(APPEND WEB_PAGE_FILES ${CMAKE_SOURCE_DIR}/shaders/${name})
endforeach()
# Debian's emcc 3.1.6 crashes minifying the page; the maps and their decoded pixels outgrow the
# default 16 MB of memory.
add_link_options(-sMINIFY_HTML=0 -sALLOW_MEMORY_GROWTH=1)
# The frame loop waits for the browser's next animation frame through Asyncify. Only direct calls
# lead to that wait, so indirect ones (every GL call, through GLAD) stay uninstrumented. This
# Emscripten does not report the end of a main that has waited, so the shell calls main itself
# and learns its exit status when the call's promise settles; it writes the maps through FS.
add_link_options(-sASYNCIFY=1 -sASYNCIFY_IGNORE_INDIRECT=1 -sINVOKE_RUN=0
                 -sEXPORTED_RUNTIME_METHODS=ccall,FS)

# Once CMakeLists.txt has made kivo_model: named index.html, linked after its shell is made, and
# relinked when the shell or an embedded file changes.
function(web_page)
    set_target_properties(kivo_model PROPERTIES OUTPUT_NAME index LINK_DEPENDS "${WEB_PAGE_FILES}")
    add_dependencies(kivo_model web_shell)
endfunction()
cmake_language(DEFER CALL web_page)
