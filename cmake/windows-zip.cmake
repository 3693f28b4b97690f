# The Windows build's zip: the run directory (the .exe, the shaders and the images) in one folder
# with a README.txt on how to start it, packed whenever the viewer is built.
set(ZIP_ROOT ${CMAKE_BINARY_DIR}/zip)
file(CONFIGURE OUTPUT ${ZIP_ROOT}/kivo_model/README.txt NEWLINE_STYLE CRLF CONTENT [[
Kivo_model: the Sun, the Earth and the Moon in one OpenGL 3.3 window.

Start kivo_model.exe from this folder: it reads sphere.vs, sphere.fs and the images in res\ from
the folder it runs in. It is a console program, so its messages appear in its console window.
W, A, S, D move, the mouse turns the view, B and C switch back-face culling on and off, L and F
switch between wireframe and filled, Escape quits. It needs a driver with OpenGL 3.3.
]])
list(TRANSFORM RUN_SHADERS PREPEND ${CMAKE_BINARY_DIR}/ OUTPUT_VARIABLE ZIP_SHADERS)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/kivo_model-windows.zip
    COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:kivo_model> ${ZIP_SHADERS} ${ZIP_ROOT}/kivo_model
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_BINARY_DIR}/res ${ZIP_ROOT}/kivo_model/res
    COMMAND ${CMAKE_COMMAND} -E tar cf ${CMAKE_BINARY_DIR}/kivo_model-windows.zip --format=zip
            kivo_model
    WORKING_DIRECTORY ${ZIP_ROOT}
    DEPENDS kivo_model run_files ${RUN_FILES}
    COMMENT "Packing kivo_model-windows.zip")
add_custom_target(windows_zip ALL DEPENDS ${CMAKE_BINARY_DIR}/kivo_model-windows.zip)
