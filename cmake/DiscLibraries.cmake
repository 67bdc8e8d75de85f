# Run by `cmake --install ... --component disc` once the program file is in place: copies the
# Qt plugins into the disc's library folder and then every library the program and the plugins
# load, as file(GET_RUNTIME_DEPENDENCIES) finds them.
set(disc "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(libs "${disc}/${LUMOSA_DISC_LIBS}")

# The X11 platform; the JPEG and GIF readers and the icon reader (window icons) are plugins too,
# BMP is built into Qt. Drawing is done without OpenGL, so no GL integration plugin.
set(plugins)
foreach(plugin platforms/libqxcb.so imageformats/libqjpeg.so imageformats/libqgif.so
        imageformats/libqico.so)
    get_filename_component(kind "${plugin}" DIRECTORY)
    file(INSTALL "${LUMOSA_QT_PLUGINS}/${plugin}" DESTINATION "${libs}/plugins/${kind}")
    list(APPEND plugins "${LUMOSA_QT_PLUGINS}/${plugin}")
endforeach()

# Left to the system: the C library and the dynamic loader (they must match the kernel and each
# other), and the OpenGL dispatch libraries, which must match the machine's graphics drivers.
# Everything else, the C++ runtime and the X client libraries included, travels along.
file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES "${disc}/lumosa"
    MODULES ${plugins}
    RESOLVED_DEPENDENCIES_VAR resolved
    UNRESOLVED_DEPENDENCIES_VAR unresolved
    CONFLICTING_DEPENDENCIES_PREFIX conflicting
    PRE_EXCLUDE_REGEXES
        "^ld-linux" "^libc\\.so" "^libm\\.so" "^libdl\\.so" "^libpthread\\.so" "^librt\\.so"
        "^libresolv\\.so" "^libutil\\.so" "^libGL" "^libEGL" "^libOpenGL")
if(unresolved)
    message(FATAL_ERROR "Libraries not found: ${unresolved}")
endif()
# The same library under /lib and /usr/lib (one is a link to the other): either will do.
foreach(name IN LISTS conflicting_FILENAMES)
    list(GET conflicting_${name} 0 first)
    list(APPEND resolved "${first}")
endforeach()
foreach(library IN LISTS resolved)
    file(INSTALL "${library}" DESTINATION "${libs}" FOLLOW_SYMLINK_CHAIN)
endforeach()
