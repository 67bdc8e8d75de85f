# Run by `cmake --install ... --component disc` once the program is in place: copies the Qt
# plugins into the disc's library folder and then every library the program and the plugins
# load, as file(GET_RUNTIME_DEPENDENCIES) finds them, and writes load-order, the order in which
# a start opens them, for the launcher and the disc's image.
set(disc "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}")
set(libs "${disc}/${LUMOSA_DISC_LIBS}")

# The X11 platform; the JPEG and GIF readers and the icon reader (window icons) are plugins too,
# BMP is built into Qt. Drawing is done without OpenGL, so no GL integration plugin. In the order
# a start opens them: the platform, then the window icon's reader, then the others as Qt asks.
set(plugins)
foreach(plugin platforms/libqxcb.so imageformats/libqico.so imageformats/libqgif.so
        imageformats/libqjpeg.so)
    get_filename_component(kind "${plugin}" DIRECTORY)
    file(INSTALL "${LUMOSA_QT_PLUGINS}/${plugin}" DESTINATION "${libs}/plugins/${kind}")
    list(APPEND plugins "${LUMOSA_QT_PLUGINS}/${plugin}")
endforeach()

# Left to the system: the OpenGL dispatch libraries, which must match the machine's graphics
# drivers. Everything else travels along, the C++ runtime and the X client libraries included.
# The C library and its loader too, but in a folder of their own, glibc/, outside the program's
# run-time path: a loader works only with its own C library, and the launcher uses the disc's
# pair only where the machine's is too old for the bundle (src/launcher.c).
file(GET_RUNTIME_DEPENDENCIES
    EXECUTABLES "${libs}/lumosa" "${libs}/lumosa-alert"
    MODULES ${plugins}
    RESOLVED_DEPENDENCIES_VAR resolved
    UNRESOLVED_DEPENDENCIES_VAR unresolved
    CONFLICTING_DEPENDENCIES_PREFIX conflicting
    PRE_EXCLUDE_REGEXES "^libGL" "^libEGL" "^libOpenGL")
if(unresolved)
    message(FATAL_ERROR "Libraries not found: ${unresolved}")
endif()
# The same library under /lib and /usr/lib (one is a link to the other): either will do.
foreach(name IN LISTS conflicting_FILENAMES)
    list(GET conflicting_${name} 0 first)
    list(APPEND resolved "${first}")
endforeach()
set(libc_pattern "^(ld-linux-x86-64|libc|libm|libmvec|libdl|libpthread|librt|libresolv|libutil|libanl)\\.so")
set(libc_files)
foreach(library IN LISTS resolved)
    get_filename_component(name "${library}" NAME)
    if(name MATCHES "${libc_pattern}")
        get_filename_component(libc_dir "${library}" DIRECTORY)
        list(APPEND libc_files "${library}")
    else()
        file(INSTALL "${library}" DESTINATION "${libs}" FOLLOW_SYMLINK_CHAIN)
    endif()
endforeach()
# Besides what the bundle asks for: the loader, and what older machines' OpenGL libraries ask
# for (libdl, libpthread and librt, whose contents this C library holds in libc itself), which
# must come from the same C library as the rest.
foreach(name ld-linux-x86-64.so.2 libdl.so.2 libpthread.so.0 librt.so.1 libm.so.6)
    list(APPEND libc_files "${libc_dir}/${name}")
endforeach()
list(REMOVE_DUPLICATES libc_files)
foreach(library IN LISTS libc_files)
    file(INSTALL "${library}" DESTINATION "${libs}/glibc" FOLLOW_SYMLINK_CHAIN)
endforeach()
# The launcher runs the loader as a program.
file(CHMOD "${libs}/glibc/ld-linux-x86-64.so.2" PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
    GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
# Qt looks for qt.conf beside the program's own file, which under that loader is the loader: so
# glibc/ has one too, which points to the plugins in the folder above.
file(WRITE "${libs}/glibc/qt.conf" "[Paths]\nPrefix=..\nPlugins=plugins\n")

# load-order, one range a line, "OFFSET LENGTH PATH" (PATH relative to the library folder): the
# program, the libraries as the loader maps them (breadth first, as ldd lists them), qt.conf,
# then each plugin followed by the libraries it adds. ICU's data (30 MB, the largest file) is
# read by ICU on demand and not at all by a start: only the pages the loader touches, its ELF
# headers at the start and its dynamic section at the end, are read, and last but for the C
# library's files.
set(order)
set(partial)
function(lumosa_add_to_order file)
    file(REAL_PATH "${file}" real)
    file(RELATIVE_PATH name "${libs}" "${real}")
    file(SIZE "${real}" size)
    if(name MATCHES "^libicudata")
        set(edge 65536)
        if(size LESS_EQUAL 131072)
            set(partial ${partial} "0 ${size} ${name}" PARENT_SCOPE)
        else()
            math(EXPR tail "${size} - ${edge}")
            set(partial ${partial} "0 ${edge} ${name}" "${tail} ${edge} ${name}" PARENT_SCOPE)
        endif()
    else()
        list(FIND order "0 ${size} ${name}" seen)
        if(seen EQUAL -1)
            set(order ${order} "0 ${size} ${name}" PARENT_SCOPE)
        endif()
    endif()
endfunction()
function(lumosa_add_with_libraries binary)
    lumosa_add_to_order("${binary}")
    execute_process(COMMAND ldd "${binary}" OUTPUT_VARIABLE listing RESULT_VARIABLE status)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "ldd ${binary} failed")
    endif()
    string(REGEX MATCHALL "[^\n]+" lines "${listing}")
    foreach(line IN LISTS lines)
        # Plugins have no run-time path of their own: they find the disc's libraries through
        # the program's, so only the name counts, not where ldd found it.
        if(line MATCHES "^[ \t]*([^ \t/]+) =>")
            set(name "${CMAKE_MATCH_1}")
            if(EXISTS "${libs}/${name}")
                lumosa_add_to_order("${libs}/${name}")
            endif()
        endif()
    endforeach()
    set(order ${order} PARENT_SCOPE)
    set(partial ${partial} PARENT_SCOPE)
endfunction()
lumosa_add_with_libraries("${libs}/lumosa")
lumosa_add_to_order("${libs}/qt.conf")
foreach(plugin IN LISTS plugins)
    get_filename_component(kind "${plugin}" DIRECTORY)
    get_filename_component(kind "${kind}" NAME)
    get_filename_component(name "${plugin}" NAME)
    lumosa_add_with_libraries("${libs}/plugins/${kind}/${name}")
endforeach()
# The C library last: read only when the disc's own is used, after the rest, without a seek back.
set(libc_order)
foreach(library IN LISTS libc_files ITEMS qt.conf)
    get_filename_component(name "${library}" NAME)
    file(REAL_PATH "${libs}/glibc/${name}" real)
    file(RELATIVE_PATH name "${libs}" "${real}")
    file(SIZE "${real}" size)
    list(APPEND libc_order "0 ${size} ${name}")
endforeach()
list(REMOVE_DUPLICATES partial)
list(JOIN order "\n" text)
list(JOIN partial "\n" tail)
list(JOIN libc_order "\n" libc_text)
file(WRITE "${libs}/load-order" "${text}\n${tail}\n${libc_text}\n")
