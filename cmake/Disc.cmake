# A disc of one's own (scripts/make-disc): `cmake --install build --component disc --prefix DIR`
# puts the launcher into DIR as the program file and, in DIR/_lumosa, the program itself, the
# Qt plugins it needs and every library that they and the program need, as CMake finds them from
# the binaries themselves (no list kept by hand; cmake/DiscLibraries.cmake), and the order in
# which a start loads them, which the launcher reads them in. The folder's name begins with "_",
# so the show never takes it for a picture folder.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

set(LUMOSA_DISC_LIBS _lumosa)
# DT_RPATH rather than DT_RUNPATH: it holds for the libraries' own dependencies and for the
# plugins Qt loads as well, so that they all come from the disc.
target_link_options(lumosa PRIVATE "LINKER:--disable-new-dtags")
# The same in the build tree (where the folder holds no libraries and the system's are taken):
# no room left for a later change, whose padding would read as the current folder.
set_target_properties(lumosa PROPERTIES INSTALL_RPATH "\$ORIGIN" BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS lumosa RUNTIME DESTINATION ${LUMOSA_DISC_LIBS} COMPONENT disc EXCLUDE_FROM_ALL)
# Qt finds its plugins through qt.conf beside the program.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/disc-qt.conf DESTINATION ${LUMOSA_DISC_LIBS}
    RENAME qt.conf COMPONENT disc EXCLUDE_FROM_ALL)

# The disc's program file: reads the bundle in one pass, then runs the program (src/launcher.c).
# It is what the machine starts before anything of the disc, so it is linked statically against
# musl (Debian's musl-tools): it asks nothing of the machine's C library, whatever its version,
# and stays small (static with glibc it would be ten times the size).
find_program(LUMOSA_MUSL_GCC musl-gcc REQUIRED)
set(launcher ${PROJECT_BINARY_DIR}/launcher/lumosa)
set(launcher_source ${PROJECT_SOURCE_DIR}/src/launcher.c)
add_custom_command(OUTPUT ${launcher}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/launcher
    COMMAND ${LUMOSA_MUSL_GCC} -std=c11 -Os -static -s -Wall -Wextra -Wpedantic -Wshadow
        $<$<BOOL:${LUMOSA_WERROR}>:-Werror> -o ${launcher} ${launcher_source}
    DEPENDS ${launcher_source} VERBATIM)
add_custom_target(lumosa-launcher ALL DEPENDS ${launcher})
install(PROGRAMS ${launcher} DESTINATION . COMPONENT disc EXCLUDE_FROM_ALL)

# The window that says why a start failed, for a start without a terminal (src/alert.cpp).
find_package(X11 REQUIRED)
add_executable(lumosa-alert ${PROJECT_SOURCE_DIR}/src/alert.cpp)
target_link_libraries(lumosa-alert PRIVATE X11::X11)
target_link_options(lumosa-alert PRIVATE "LINKER:--disable-new-dtags")
set_target_properties(lumosa-alert PROPERTIES INSTALL_RPATH "\$ORIGIN" BUILD_WITH_INSTALL_RPATH ON)
lumosa_warnings(lumosa-alert)
install(TARGETS lumosa-alert RUNTIME DESTINATION ${LUMOSA_DISC_LIBS} COMPONENT disc
    EXCLUDE_FROM_ALL)

install(CODE "
    set(LUMOSA_DISC_LIBS \"${LUMOSA_DISC_LIBS}\")
    set(LUMOSA_QT_PLUGINS \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/DiscLibraries.cmake\")
    " COMPONENT disc EXCLUDE_FROM_ALL)
