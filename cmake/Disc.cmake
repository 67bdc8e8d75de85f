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

# The disc's program file: reads the bundle in one pass, then runs the program (src/launcher.cpp).
# Only the C library, which the machine has anyway: static, it would be 50 times the size.
add_executable(lumosa-launcher ${PROJECT_SOURCE_DIR}/src/launcher.cpp)
target_compile_options(lumosa-launcher PRIVATE -fno-exceptions -fno-rtti)
target_link_options(lumosa-launcher PRIVATE "LINKER:--as-needed")
lumosa_warnings(lumosa-launcher)
install(PROGRAMS $<TARGET_FILE:lumosa-launcher> DESTINATION . RENAME lumosa
    COMPONENT disc EXCLUDE_FROM_ALL)

install(CODE "
    set(LUMOSA_DISC_LIBS \"${LUMOSA_DISC_LIBS}\")
    set(LUMOSA_QT_PLUGINS \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/DiscLibraries.cmake\")
    " COMPONENT disc EXCLUDE_FROM_ALL)
