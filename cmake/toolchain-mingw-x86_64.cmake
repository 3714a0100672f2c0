# 64-bit Windows (x86_64-w64-mingw32, Debian g++-mingw-w64-x86-64): plug-ins
# .mexw64; programs run under wine64. See toolchain-mingw.cmake.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(LATTICESIM_MINGW_TRIPLE x86_64-w64-mingw32)
set(LATTICESIM_WINE_ARCH win64)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
