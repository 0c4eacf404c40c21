# The Windows program: qent.exe without a console, with its icon, version and manifest, and
# the zip a player unpacks (dist/qent-<version>-windows.zip: the program, the nine asset
# files and a README).
enable_language(RC)

set(QENT_ICON "" CACHE FILEPATH "qent.exe's icon, made from the cross-hair by make_icon")
set(QENT_WINDOWS_DIR ${PROJECT_SOURCE_DIR}/cmake/windows)
set(QENT_RC_FILE ${PROJECT_BINARY_DIR}/qent.rc)
if(QENT_ICON)
    set(QENT_RC_ICON "1 ICON \"${QENT_ICON}\"")
else()
    message(WARNING "QENT_ICON is not set: qent.exe gets Windows' default icon")
    set(QENT_RC_ICON "")
endif()
configure_file(${QENT_WINDOWS_DIR}/qent.rc.in ${QENT_RC_FILE} @ONLY)

if(QENT_GAME)
    target_sources(qent PRIVATE ${QENT_RC_FILE})
    set_source_files_properties(${QENT_RC_FILE} PROPERTIES
        OBJECT_DEPENDS "${QENT_WINDOWS_DIR}/qent.manifest;${QENT_ICON}")
    set_target_properties(qent PROPERTIES WIN32_EXECUTABLE ON)  # no console window

    set(QENT_ASSET_FILES TOXICBG.BMP death.BMP start.BMP Scanning.BMP Lockedon.bmp Duck.bmp
        deadduck.bmp Rifle.WAV Beep.wav)
    set(QENT_DIST_NAME qent-${PROJECT_VERSION})
    set(QENT_DIST_STAGE ${PROJECT_BINARY_DIR}/dist-stage)
    set(QENT_WINDOWS_ZIP ${PROJECT_SOURCE_DIR}/dist/${QENT_DIST_NAME}-windows.zip)
    configure_file(${QENT_WINDOWS_DIR}/README.txt.in ${PROJECT_BINARY_DIR}/README.txt @ONLY
        NEWLINE_STYLE CRLF)
    set(QENT_STAGED_ASSETS "")
    foreach(asset ${QENT_ASSET_FILES})
        list(APPEND QENT_STAGED_ASSETS ${QENT_ASSET_DIR}/${asset})
    endforeach()
    add_custom_target(windows_zip
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${QENT_DIST_STAGE}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QENT_DIST_STAGE}/${QENT_DIST_NAME}
            ${PROJECT_SOURCE_DIR}/dist
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:qent> ${QENT_STAGED_ASSETS}
            ${PROJECT_BINARY_DIR}/README.txt ${QENT_DIST_STAGE}/${QENT_DIST_NAME}
        # The player's copy carries no debugging symbols.
        COMMAND ${CMAKE_STRIP} --strip-all ${QENT_DIST_STAGE}/${QENT_DIST_NAME}/qent.exe
        COMMAND ${CMAKE_COMMAND} -E rm -f ${QENT_WINDOWS_ZIP}
        COMMAND ${CMAKE_COMMAND} -E chdir ${QENT_DIST_STAGE}
            ${CMAKE_COMMAND} -E tar cf ${QENT_WINDOWS_ZIP} --format=zip ${QENT_DIST_NAME}
        DEPENDS qent
        COMMENT "Packing ${QENT_WINDOWS_ZIP}"
        VERBATIM)
endif()

# What the device's present costs each way, run by hand under Wine (see the file).
add_executable(win32_present_bench EXCLUDE_FROM_ALL bench/windows/present_bench.cpp)
target_link_libraries(win32_present_bench PRIVATE qent_headless qent_headers gdi32 user32)
