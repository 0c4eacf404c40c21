# Installing the game as a Linux game is installed: the binary under games/, its data under
# share/games/qent, a desktop entry, icons in the hicolor theme, a man page and AppStream
# metainfo. Everything is placed relative to the prefix, so a moved tree still plays.
set(QENT_GAMES_DIR games CACHE STRING "Where the game's binary is installed, under the prefix")

install(TARGETS qent RUNTIME DESTINATION ${QENT_GAMES_DIR} COMPONENT Game)
install(FILES
    ${QENT_ASSET_DIR}/TOXICBG.BMP ${QENT_ASSET_DIR}/death.BMP ${QENT_ASSET_DIR}/start.BMP
    ${QENT_ASSET_DIR}/Scanning.BMP ${QENT_ASSET_DIR}/Lockedon.bmp ${QENT_ASSET_DIR}/Duck.bmp
    ${QENT_ASSET_DIR}/deadduck.bmp ${QENT_ASSET_DIR}/Rifle.WAV ${QENT_ASSET_DIR}/Beep.wav
    DESTINATION ${QENT_GAME_DATA_DIR} COMPONENT Game)
foreach(size 16 32 48 64 128 256)
    install(FILES ${QENT_ICON_DIR}/${size}x${size}/apps/qent.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            COMPONENT Game)
endforeach()

# The desktop entry starts the binary where it was installed.
set(QENT_DESKTOP_EXEC ${CMAKE_INSTALL_PREFIX}/${QENT_GAMES_DIR}/qent)
configure_file(${PROJECT_SOURCE_DIR}/data/qent.desktop.in ${PROJECT_BINARY_DIR}/qent.desktop @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/org.qent.qent.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/org.qent.qent.metainfo.xml @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/data/qent.6.in ${PROJECT_BINARY_DIR}/qent.6 @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qent.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT Game)
install(FILES ${PROJECT_BINARY_DIR}/org.qent.qent.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT Game)
install(FILES ${PROJECT_BINARY_DIR}/qent.6
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6 COMPONENT Game)
