# The browser build (QENT_DEVICE=web under emscripten): link settings for programs on the web
# device, and the page itself, a static folder any web server can host:
#   QENT_WEB_DIR/index.html, qent.js, qent.wasm and assets/ with the nine asset files.
# The asset files come from QENT_WEB_ASSETS, a folder made by the generator beforehand.

set(QENT_WEB_DIR "${PROJECT_BINARY_DIR}/site" CACHE PATH "Where the page is assembled")
set(QENT_WEB_ASSETS "" CACHE PATH "A folder holding the nine asset files for the page")

# The device waits by giving the thread back to the browser: ASYNCIFY unwinds the C++ stack at
# these imports and rewinds it when the browser calls back.
target_link_options(qent_library INTERFACE
    "SHELL:-s ASYNCIFY=1"
    "SHELL:-s ASYNCIFY_IMPORTS=[\"web_yield\",\"web_timer\"]"
    "SHELL:-s ALLOW_MEMORY_GROWTH=1")

if(TARGET qent)
    # The page makes the module (createQent), writes the assets into its files and calls main
    # itself, so that it sees main's result even after the waits have unwound the stack.
    target_link_options(qent PRIVATE
        "SHELL:-s MODULARIZE=1"
        "SHELL:-s EXPORT_NAME=createQent"
        "SHELL:-s INVOKE_RUN=0"
        "SHELL:-s EXIT_RUNTIME=0"
        "SHELL:-s ENVIRONMENT=web"
        "SHELL:-s EXPORTED_FUNCTIONS=[\"_main\",\"_malloc\"]"
        "SHELL:-s EXPORTED_RUNTIME_METHODS=[\"ccall\",\"FS\"]")

    set(QENT_WEB_PAGE_FILES ${PROJECT_SOURCE_DIR}/web/index.html ${PROJECT_SOURCE_DIR}/web/page.js)
    set(QENT_WEB_COPY_ASSETS "")
    if(QENT_WEB_ASSETS)
        set(QENT_WEB_COPY_ASSETS
            COMMAND ${CMAKE_COMMAND} -E copy_directory ${QENT_WEB_ASSETS} ${QENT_WEB_DIR}/assets)
    endif()
    add_custom_target(web_page ALL
        COMMAND ${CMAKE_COMMAND} -E make_directory ${QENT_WEB_DIR}/assets
        COMMAND ${CMAKE_COMMAND} -E copy ${QENT_WEB_PAGE_FILES} ${QENT_WEB_DIR}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:qent>
                $<TARGET_FILE_DIR:qent>/qent.wasm ${QENT_WEB_DIR}
        ${QENT_WEB_COPY_ASSETS}
        DEPENDS qent ${QENT_WEB_PAGE_FILES}
        COMMENT "Assembling the page in ${QENT_WEB_DIR}"
        VERBATIM)
endif()

# Programs that run under node (through CMAKE_CROSSCOMPILING_EMULATOR) on the real files: the
# generator and the fuzz corpus replays. The GoogleTest programs get the same from gtest.
foreach(program make_assets bitmap_replay palette_replay wave_replay voice_replay)
    if(TARGET ${program})
        target_link_options(${program} PRIVATE
            -O1
            "SHELL:-s NODERAWFS=1"
            "SHELL:-s ENVIRONMENT=node"
            "SHELL:-s EXIT_RUNTIME=1"
            "SHELL:-s ALLOW_MEMORY_GROWTH=1")
    endif()
endforeach()

# The test programs in one target (make test-web builds these and the page, not the wasm
# generator's own pack, which the tests do not use).
if(QENT_TESTS)
    get_property(qent_test_programs DIRECTORY ${PROJECT_SOURCE_DIR}/tests
                 PROPERTY BUILDSYSTEM_TARGETS)
    get_property(qent_replay_programs DIRECTORY ${PROJECT_SOURCE_DIR}/fuzz
                 PROPERTY BUILDSYSTEM_TARGETS)
    add_custom_target(web_tests DEPENDS ${qent_test_programs} ${qent_replay_programs})
endif()
