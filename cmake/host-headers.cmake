# Cross builds (Windows, the browser) take the host's header-only glm and stb_image through a
# folder that holds only them, so that no other host header can stand in for the target's own.
find_path(HOST_GLM_DIR glm/glm.hpp PATHS /usr/local/include /usr/include NO_CMAKE_FIND_ROOT_PATH
          REQUIRED)
find_path(HOST_STB_DIR stb_image.h PATHS /usr/local/include /usr/include PATH_SUFFIXES stb
          NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(HOST_HEADERS_DIR ${CMAKE_BINARY_DIR}/include)
file(MAKE_DIRECTORY ${HOST_HEADERS_DIR})
file(CREATE_LINK ${HOST_GLM_DIR}/glm ${HOST_HEADERS_DIR}/glm SYMBOLIC)
file(CREATE_LINK ${HOST_STB_DIR}/stb_image.h ${HOST_HEADERS_DIR}/stb_image.h SYMBOLIC)
add_library(glm::glm INTERFACE IMPORTED)
set_target_properties(glm::glm PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${HOST_HEADERS_DIR})
set(STB_IMAGE_INCLUDE_DIR ${HOST_HEADERS_DIR})
