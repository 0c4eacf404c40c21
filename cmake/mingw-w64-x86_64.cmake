# Cross build for 64-bit Windows with mingw-w64's posix-thread compiler (std::thread and
# std::mutex need it). Everything is linked statically, so the programs import only Windows'
# own DLLs; the cross-built programs run here under Wine (scripts/wine-run).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(QENT_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QENT_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QENT_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QENT_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${QENT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ZLIB_USE_STATIC_LIBS ON)  # libz.a, not the import library of zlib1.dll

# GCC cannot align the Windows x64 stack to 32 bytes, so AVX code that spills a vector would
# fault on an aligned move: the assembler writes every vector move unaligned instead.
set(QENT_MINGW_FLAGS "-Wa,-muse-unaligned-vector-move")
# off_t is 32 bits here unless asked otherwise: a file offset past 2 GiB would wrap.
string(APPEND QENT_MINGW_FLAGS " -D_FILE_OFFSET_BITS=64")
set(CMAKE_C_FLAGS_INIT "${QENT_MINGW_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT "${QENT_MINGW_FLAGS}")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Tests and tools built here run through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
