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

# The program links to program.js and program.wasm; tools/web-page then makes the page from the
# shell in web/, those two files and the maps: one self-contained index.html. The shaders are
# embedded under the names the program opens. The maps go in as lossless WebP images with each
# file's own header bytes beside them (through Debian's cwebp): images the browser decodes while
# the program compiles, from which the page rebuilds the exact BMP files before main runs.
set(CMAKE_EXECUTABLE_SUFFIX .js)
list(TRANSFORM RUN_IMAGES PREPEND res/ OUTPUT_VARIABLE web_maps)
list(TRANSFORM web_maps PREPEND ${CMAKE_SOURCE_DIR}/ OUTPUT_VARIABLE web_map_files)
find_program(CWEBP_EXECUTABLE cwebp REQUIRED)
foreach(name ${RUN_SHADERS})
    add_link_options("SHELL:--embed-file ${CMAKE_SOURCE_DIR}/shaders/${name}@${name}")
    list(APPEND WEB_PROGRAM_FILES ${CMAKE_SOURCE_DIR}/shaders/${name})
endforeach()
# The maps and their decoded pixels outgrow the default 16 MB of memory. The page has WebGL2 or
# nothing, so Emscripten's check for Safari's WebGL1-for-WebGL2 bug can go: it assumes that
# WebGLRenderingContext is defined, which a WebKit without WebGL leaves out. The program uses
# WebGL2's core calls only, so no extension is enabled: enabling every one, Emscripten's default,
# waits for the GPU process each time and took 0.1 to 0.5 s of the task that makes the window in
# Chromium's software WebGL on a slowed CPU.
add_link_options(-sALLOW_MEMORY_GROWTH=1 -sGL_WORKAROUND_SAFARI_GETCONTEXT_BUG=0
                 -sGL_SUPPORT_AUTOMATIC_ENABLE_EXTENSIONS=0)
# The frame loop waits for the browser's next animation frame through Asyncify. Only direct calls
# lead to that wait, so indirect ones (every GL call, through GLAD) stay uninstrumented. This
# Emscripten does not report the end of a main that has waited, so the shell calls main itself
# and learns its exit status when the call's promise settles; it writes the maps through FS and
# reports the cursor through movePageCursor (web_platform.cpp).
add_link_options(-sASYNCIFY=1 -sASYNCIFY_IGNORE_INDIRECT=1 -sINVOKE_RUN=0
                 -sEXPORTED_FUNCTIONS=_main,_movePageCursor -sEXPORTED_RUNTIME_METHODS=ccall,FS,stringToUTF8)

# The site installs as an app: its manifest's icons, from res/icon.svg (cmake/icons.cmake).
find_program(RSVG_CONVERT rsvg-convert REQUIRED)
set(WEB_APP_FILES site-head.html site.webmanifest site-worker.js)
list(TRANSFORM WEB_APP_FILES PREPEND ${CMAKE_SOURCE_DIR}/web/)

# The shell takes the program's window size from the one place it is written, the camera's header.
file(STRINGS ${CMAKE_SOURCE_DIR}/src/camera/camera_state.h window_size
     REGEX "^constexpr int WINDOW_(WIDTH|HEIGHT) = [0-9]+;")
string(REGEX REPLACE ".*WINDOW_WIDTH = ([0-9]+).*" "\\1" WINDOW_WIDTH "${window_size}")
string(REGEX REPLACE ".*WINDOW_HEIGHT = ([0-9]+).*" "\\1" WINDOW_HEIGHT "${window_size}")
if(NOT WINDOW_WIDTH MATCHES "^[0-9]+$" OR NOT WINDOW_HEIGHT MATCHES "^[0-9]+$")
    message(FATAL_ERROR "No WINDOW_WIDTH and WINDOW_HEIGHT in src/camera/camera_state.h")
endif()
configure_file(${CMAKE_SOURCE_DIR}/web/shell.html ${CMAKE_BINARY_DIR}/shell.html @ONLY)

# Once CMakeLists.txt has made kivo_model: linked as program.js, relinked when an embedded file
# changes, and made into index.html and the site whenever it, the shell or a map changes; the
# site then becomes an app (tools/web-app), its worker versioned by PROJECT_VERSION.
function(web_page)
    set_target_properties(kivo_model PROPERTIES OUTPUT_NAME program
                                                LINK_DEPENDS "${WEB_PROGRAM_FILES}")
    render_icon(app_icons ${CMAKE_BINARY_DIR}/icons 192 512)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/index.html ${CMAKE_BINARY_DIR}/site/index.html
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${CMAKE_BINARY_DIR}/site
        COMMAND ${CMAKE_SOURCE_DIR}/tools/web-page ${CMAKE_BINARY_DIR}/shell.html
                ${CMAKE_BINARY_DIR}/index.html --site ${CMAKE_BINARY_DIR}/site
                --program $<TARGET_FILE:kivo_model>
                --root ${CMAKE_SOURCE_DIR} --cwebp ${CWEBP_EXECUTABLE} ${web_maps}
        COMMAND ${CMAKE_SOURCE_DIR}/tools/web-app ${CMAKE_BINARY_DIR}/site
                --version ${PROJECT_VERSION} --web ${CMAKE_SOURCE_DIR}/web ${app_icons}
        DEPENDS kivo_model ${CMAKE_SOURCE_DIR}/tools/web-page ${CMAKE_BINARY_DIR}/shell.html
                ${web_map_files} ${CMAKE_SOURCE_DIR}/tools/web-app ${WEB_APP_FILES} ${app_icons}
        COMMENT "Making the page: the shell, the program and the maps"
        VERBATIM)
    add_custom_target(web_page ALL DEPENDS ${CMAKE_BINARY_DIR}/index.html)
endfunction()
cmake_language(DEFER CALL web_page)
