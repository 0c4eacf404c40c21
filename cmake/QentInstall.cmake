# Installing the library as SDL2 is installed: the archive, the headers under include/qent,
# a pkg-config file and a CMake package (find_package(Qent) gives Qent::qent).
include(CMakePackageConfigHelpers)

set(QENT_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Qent)
set(QENT_PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(TARGETS qent_library EXPORT QentTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT Development)
install(DIRECTORY ${QENT_INCLUDE_DIR}/qent DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT Development)
install(EXPORT QentTargets NAMESPACE Qent:: DESTINATION ${QENT_CMAKE_DIR}
        COMPONENT Development)

set(QENT_CONFIG_NEEDS_SDL2 OFF)
set(QENT_PC_REQUIRES "")
if(QENT_DEVICE STREQUAL "sdl")
    set(QENT_CONFIG_NEEDS_SDL2 ON)
    set(QENT_PC_REQUIRES "sdl2")
endif()
set(QENT_CONFIG_NEEDS_ZLIB ${ZLIB_FOUND})
if(ZLIB_FOUND)
    string(APPEND QENT_PC_REQUIRES " zlib")
endif()
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/QentConfig.cmake.in
    ${PROJECT_BINARY_DIR}/QentConfig.cmake INSTALL_DESTINATION ${QENT_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QentConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QentConfig.cmake ${PROJECT_BINARY_DIR}/QentConfigVersion.cmake
        DESTINATION ${QENT_CMAKE_DIR} COMPONENT Development)

# The prefix is found from the file's own place, so a moved tree still works.
file(RELATIVE_PATH QENT_PC_TO_PREFIX ${CMAKE_INSTALL_PREFIX}/${QENT_PKGCONFIG_DIR}
     ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" QENT_PC_TO_PREFIX "${QENT_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/qent.pc.in ${PROJECT_BINARY_DIR}/qent.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/qent.pc DESTINATION ${QENT_PKGCONFIG_DIR}
        COMPONENT Development)

install(FILES ${PROJECT_SOURCE_DIR}/docs/LIBRARY.md ${PROJECT_SOURCE_DIR}/LICENSE
        DESTINATION ${CMAKE_INSTALL_DOCDIR} COMPONENT Development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples
        COMPONENT Development FILES_MATCHING PATTERN "*.cpp")
