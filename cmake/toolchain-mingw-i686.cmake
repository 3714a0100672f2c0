# 32-bit Windows (i686-w64-mingw32, Debian g++-mingw-w64-i686): plug-ins
# .mexw32; programs run under wine in a 32-bit prefix. SSE2 arithmetic comes
# from ExactFloatingPoint.cmake (-msse2 -mfpmath=sse), as on 32-bit Linux.
# See toolchain-mingw.cmake.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(LATTICESIM_MINGW_TRIPLE i686-w64-mingw32)
set(LATTICESIM_WINE_ARCH win32)
include(${CMAKE_CURRENT_LIST_DIR}/toolchain-mingw.cmake)
