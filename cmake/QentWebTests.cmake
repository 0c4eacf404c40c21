# The tests under emscripten: GoogleTest built from Debian's sources with em++, and every test
# program linked to run under node on the headless backend, with the real file system (the
# tests write scratch folders and run tools such as convert and sox through std::system).
# CMAKE_CROSSCOMPILING_EMULATOR runs them: node --no-experimental-fetch.

set(QENT_GTEST_SOURCES "/usr/src/googletest" CACHE PATH "GoogleTest's sources (Debian: googletest)")
if(NOT EXISTS "${QENT_GTEST_SOURCES}/CMakeLists.txt")
    message(FATAL_ERROR "GoogleTest's sources are not at ${QENT_GTEST_SOURCES} "
                        "(apt-get install googletest)")
endif()

# The tests silence some of GCC's warnings by name; clang (em++) does not know them all.
add_compile_options(-Wno-unknown-warning-option)
# Built and linked lightly: two dozen programs at -O3 would cost minutes of optimising for
# runs of seconds.
add_compile_options(-O1)

set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)  # one thread: no shared memory in the page
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${QENT_GTEST_SOURCES} ${PROJECT_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# Its own sources are not ours to hold to our warnings.
target_compile_options(gtest PRIVATE -w)
target_compile_options(gtest_main PRIVATE -w)

# GoogleTest names its targets GTest::gtest and GTest::gtest_main itself; whatever links them
# is a test program, so they carry the settings for node.
target_link_options(gtest INTERFACE
    -O1
    "SHELL:-s NODERAWFS=1"
    "SHELL:-s ENVIRONMENT=node"
    "SHELL:-s EXIT_RUNTIME=1"
    "SHELL:-s ALLOW_MEMORY_GROWTH=1"
    "SHELL:-s TOTAL_STACK=8MB"
    "SHELL:--pre-js ${PROJECT_SOURCE_DIR}/tests/web/node_environment.js")
