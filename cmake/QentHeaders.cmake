# The public headers as a program sees them, installed or not: flat under qent/, each
# including its neighbours by bare name, with the version header and the umbrella
# <qent/qent.h>. Written at configure time; a change to a header configures again.

set(QENT_PUBLIC_HEADERS
    lib/app.h lib/bitmap.h lib/bob.h lib/clock.h lib/display.h lib/draw.h lib/errorlog.h
    lib/input.h lib/palette.h lib/sound.h lib/transition.h
    platform/host.h platform/host_input.h platform/host_audio.h platform/headless.h
    app/shell.h)

set(QENT_FLAT_DIR ${PROJECT_BINARY_DIR}/include/qent)
file(MAKE_DIRECTORY ${QENT_FLAT_DIR})
set(QENT_UMBRELLA_INCLUDES "")
foreach(header ${QENT_PUBLIC_HEADERS})
    get_filename_component(name ${header} NAME)
    file(READ ${PROJECT_SOURCE_DIR}/${header} text)
    string(REGEX REPLACE "#include \"(lib|platform|app)/([a-z_]+\\.h)\"" "#include \"\\2\""
           text "${text}")
    file(CONFIGURE OUTPUT ${QENT_FLAT_DIR}/${name} CONTENT "${text}" @ONLY)
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                 ${PROJECT_SOURCE_DIR}/${header})
    string(APPEND QENT_UMBRELLA_INCLUDES "#include \"${name}\"\n")
endforeach()

configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${QENT_FLAT_DIR}/version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/cmake/qent.h.in ${QENT_FLAT_DIR}/qent.h @ONLY)
