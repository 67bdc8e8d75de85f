# A disc of one's own (scripts/make-disc): `cmake --install build --component disc --prefix DIR`
# puts the program file into DIR and, in DIR/_lumosa, the Qt plugins it needs and every library
# that they and the program need, as CMake finds them from the binaries themselves (no list
# kept by hand; cmake/DiscLibraries.cmake). The folder's name begins with "_", so the show never
# takes it for a picture folder.
if(NOT CMAKE_SYSTEM_NAME STREQUAL "Linux")
    return()
endif()

set(LUMOSA_DISC_LIBS _lumosa)
# DT_RPATH rather than DT_RUNPATH: it holds for the libraries' own dependencies and for the
# plugins Qt loads as well, so that they all come from the disc.
target_link_options(lumosa PRIVATE "LINKER:--disable-new-dtags")
# The same in the build tree (where the folder is missing and the system's libraries are taken):
# no room left for a later change, whose padding would read as the current folder.
set_target_properties(lumosa PROPERTIES INSTALL_RPATH "\$ORIGIN/${LUMOSA_DISC_LIBS}"
    BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS lumosa RUNTIME DESTINATION . COMPONENT disc EXCLUDE_FROM_ALL)
# Qt finds its plugins through qt.conf beside the program.
install(FILES ${CMAKE_CURRENT_LIST_DIR}/disc-qt.conf DESTINATION . RENAME qt.conf
    COMPONENT disc EXCLUDE_FROM_ALL)
install(CODE "
    set(LUMOSA_DISC_LIBS \"${LUMOSA_DISC_LIBS}\")
    set(LUMOSA_QT_PLUGINS \"${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS}\")
    include(\"${CMAKE_CURRENT_LIST_DIR}/DiscLibraries.cmake\")
    " COMPONENT disc EXCLUDE_FROM_ALL)
