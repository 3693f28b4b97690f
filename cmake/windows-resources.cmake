# kivo_model.exe's resources, compiled by windres: the icon (an .ico of the rendered PNGs, made
# with icotool from icoutils), the version information and the manifest, all from the project's
# version. The program stays a console program: its diagnostics go to standard output.
enable_language(RC)
find_program(ICOTOOL icotool REQUIRED)
set(ICON_ICO ${CMAKE_BINARY_DIR}/kivo_model.ico)
# Windows wants the 256-pixel image stored as PNG (-r), the smaller ones as bitmaps.
set(ico_bitmaps ${ICON_PNGS})
list(FILTER ico_bitmaps EXCLUDE REGEX "/256[.]png$")
add_custom_command(OUTPUT ${ICON_ICO}
                   COMMAND ${ICOTOOL} -c -o ${ICON_ICO} ${ico_bitmaps} -r ${ICON_DIR}/256.png
                   DEPENDS ${ICON_PNGS} VERBATIM)
set(KIVO_VERSION_QUAD ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0)
string(REPLACE "." "," KIVO_VERSION_COMMAS ${KIVO_VERSION_QUAD})
set(MANIFEST ${CMAKE_BINARY_DIR}/kivo_model.manifest)
configure_file(src/platform/windows/kivo_model.manifest.in ${MANIFEST} @ONLY)
configure_file(src/platform/windows/kivo_model.rc.in ${CMAKE_BINARY_DIR}/kivo_model.rc @ONLY)
target_sources(kivo_model PRIVATE ${CMAKE_BINARY_DIR}/kivo_model.rc)
set_source_files_properties(${CMAKE_BINARY_DIR}/kivo_model.rc PROPERTIES
                            OBJECT_DEPENDS "${ICON_ICO};${MANIFEST}")
