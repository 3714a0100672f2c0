# What both MinGW-w64 toolchain files share (include it after setting
# LATTICESIM_MINGW_TRIPLE): Windows programs and DLLs cross-built on Linux
# with Debian's MinGW-w64 compilers, linked statically so that they need no
# MinGW runtime DLLs (libgcc, libstdc++, libwinpthread) beside them, and run
# under Wine (scripts/wine_run.sh). ExactFloatingPoint.cmake adds the exact
# floating-point flags as on every build, SSE2 arithmetic on i686 included.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER ${LATTICESIM_MINGW_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${LATTICESIM_MINGW_TRIPLE}-g++)
set(CMAKE_RC_COMPILER ${LATTICESIM_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LATTICESIM_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config must not offer the Linux host's libraries to a Windows build.
set(ENV{PKG_CONFIG_LIBDIR} /usr/${LATTICESIM_MINGW_TRIPLE}/lib/pkgconfig)

foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
endforeach()

# try_run and ctest run the programs under Wine, in a prefix of the build
# tree's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine_run.sh ${LATTICESIM_WINE_ARCH}
    ${CMAKE_BINARY_DIR}/wine-${LATTICESIM_WINE_ARCH})
