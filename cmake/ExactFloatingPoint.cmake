# Flags that keep floating point exact and identical across builds: every
# operation rounds to double in source order (no fused multiply-add, no
# fast-math), and 32-bit x86 computes in SSE2 registers rather than in the
# x87 unit's wider ones. core/exact_fp_guard.h refuses builds that miss the
# checkable ones.
include(CheckCXXSourceCompiles)

# Whether the target is 32-bit x86, however that was chosen (-m32 in
# CMAKE_CXX_FLAGS, a toolchain file, a cross compiler): ask the compiler.
check_cxx_source_compiles("
#if !defined(__i386__) && !defined(_M_IX86)
#error not 32-bit x86
#endif
int main() { return 0; }" LATTICESIM_TARGET_X86_32)

if(MSVC)
  set(LATTICESIM_EXACT_FP_FLAGS /fp:precise)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")  # clang-cl contracts under /fp:precise
    list(APPEND LATTICESIM_EXACT_FP_FLAGS /clang:-ffp-contract=off)
  endif()
  if(LATTICESIM_TARGET_X86_32)
    list(APPEND LATTICESIM_EXACT_FP_FLAGS /arch:SSE2)
  endif()
else()
  set(LATTICESIM_EXACT_FP_FLAGS -ffp-contract=off -fno-fast-math)
  if(LATTICESIM_TARGET_X86_32)
    list(APPEND LATTICESIM_EXACT_FP_FLAGS -msse2 -mfpmath=sse)
  endif()
endif()

# Only to show what a missing flag does (the build comparison's experiments):
# the listed flags are left out, and the source guard is lifted.
set(LATTICESIM_DROP_FP_FLAGS "" CACHE STRING "Exact floating-point flags to leave out (experiments only)")
if(LATTICESIM_DROP_FP_FLAGS)
  list(REMOVE_ITEM LATTICESIM_EXACT_FP_FLAGS ${LATTICESIM_DROP_FP_FLAGS})
  list(APPEND LATTICESIM_EXACT_FP_FLAGS -DLATTICESIM_ALLOW_INEXACT_FP)
  message(WARNING "Exact floating-point flags left out: ${LATTICESIM_DROP_FP_FLAGS}; results may differ between builds")
endif()

# As a single string, for compilers driven outside CMake (mkoctfile, mex).
string(REPLACE ";" " " LATTICESIM_EXACT_FP_STRING "${LATTICESIM_EXACT_FP_FLAGS}")
