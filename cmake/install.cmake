# `cmake --install` on Linux and other Unix desktops, with GNUInstallDirs so that any directory
# can be moved: the binary in libexec/kivo-model/, the files it reads from its working directory
# in share/kivo-model/, and bin/kivo-model, a launcher that runs it there. Then the desktop entry,
# the metainfo, the icons and the man page, all named by KIVO_APP_ID.
include(GNUInstallDirs)
set(DATA_DIR ${CMAKE_INSTALL_DATADIR}/kivo-model)
set(BINARY_DIR ${CMAKE_INSTALL_LIBEXECDIR}/kivo-model)
install(TARGETS kivo_model RUNTIME DESTINATION ${BINARY_DIR})
list(TRANSFORM RUN_SHADERS PREPEND ${CMAKE_SOURCE_DIR}/shaders/ OUTPUT_VARIABLE INSTALL_SHADERS)
list(TRANSFORM RUN_IMAGES PREPEND ${CMAKE_SOURCE_DIR}/res/ OUTPUT_VARIABLE INSTALL_IMAGES)
install(FILES ${INSTALL_SHADERS} DESTINATION ${DATA_DIR})
install(FILES ${INSTALL_IMAGES} DESTINATION ${DATA_DIR}/res)

# The launcher finds both from its own place, so that a prefix given at install time
# (`cmake --install --prefix`), DESTDIR or a moved tree still works.
file(RELATIVE_PATH LAUNCHER_TO_DATA ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_DATADIR}/kivo-model)
file(RELATIVE_PATH LAUNCHER_TO_BINARY ${CMAKE_INSTALL_FULL_BINDIR}
     ${CMAKE_INSTALL_FULL_LIBEXECDIR}/kivo-model/kivo_model)
set(STAGE ${CMAKE_BINARY_DIR}/install)
configure_file(src/platform/linux/kivo-model.in ${STAGE}/kivo-model @ONLY)
install(PROGRAMS ${STAGE}/kivo-model DESTINATION ${CMAKE_INSTALL_BINDIR})

configure_file(src/platform/linux/app.desktop.in ${STAGE}/${KIVO_APP_ID}.desktop @ONLY)
configure_file(src/platform/linux/app.metainfo.xml.in ${STAGE}/${KIVO_APP_ID}.metainfo.xml @ONLY)
configure_file(docs/kivo-model.1.in ${STAGE}/kivo-model.1 @ONLY)
install(FILES ${STAGE}/${KIVO_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${STAGE}/${KIVO_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${STAGE}/kivo-model.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(ICON_THEME ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${ICON_SVG} DESTINATION ${ICON_THEME}/scalable/apps RENAME ${KIVO_APP_ID}.svg)
foreach(png ${ICON_PNGS})
    get_filename_component(size ${png} NAME_WE)
    install(FILES ${png} DESTINATION ${ICON_THEME}/${size}x${size}/apps RENAME ${KIVO_APP_ID}.png)
endforeach()
