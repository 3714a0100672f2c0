# Flags that keep floating point exact and identical across builds.
set(LATTICESIM_EXACT_FP_FLAGS -ffp-contract=off -fno-fast-math)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$" OR CMAKE_CXX_FLAGS MATCHES "-m32")
  list(APPEND LATTICESIM_EXACT_FP_FLAGS -msse2 -mfpmath=sse)
endif()
# As a single string, for compilers driven outside CMake (mkoctfile, mex).
string(REPLACE ";" " " LATTICESIM_EXACT_FP_STRING "${LATTICESIM_EXACT_FP_FLAGS}")
