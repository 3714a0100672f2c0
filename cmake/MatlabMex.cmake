# Builds the plug-ins against an installed MATLAB through CMake's FindMatlab
# and its matlab_add_mex, from the same sources and with the same exact
# floating-point flags as every other build, into <build>/matlab/. Asked for
# with -DLATTICESIM_MATLAB=ON; skipped with a message when no MATLAB is
# found (Matlab_ROOT_DIR points CMake at one).
find_package(Matlab COMPONENTS MX_LIBRARY)
if(NOT Matlab_FOUND)
  message(STATUS "MATLAB not found: the MATLAB plug-ins will not be built (set Matlab_ROOT_DIR)")
  return()
endif()

set(LATTICESIM_MATLAB_DIR ${CMAKE_BINARY_DIR}/matlab)

# add_matlab_mex(<name> <help .m file> <sources...>)
function(add_matlab_mex name help_file)
  # The large-array API: its creators take mwSize, so the adaptor supplies
  # the 32-bit-dimension ones (HOST_PROVIDES_700 stays undefined).
  matlab_add_mex(NAME ${name}_matlab MODULE OUTPUT_NAME ${name} R2017b
                 SRC ${ARGN} ${LATTICESIM_HOST_SOURCES})
  target_compile_definitions(${name}_matlab PRIVATE HOST_REAL_MEX)
  target_include_directories(${name}_matlab PRIVATE ${PROJECT_SOURCE_DIR}/core ${PROJECT_SOURCE_DIR}/host
                             ${PROJECT_SOURCE_DIR}/arguments ${PROJECT_SOURCE_DIR}/models
                             ${PROJECT_SOURCE_DIR}/ringsim ${PROJECT_SOURCE_DIR}/gridsim)
  set_target_properties(${name}_matlab PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${LATTICESIM_MATLAB_DIR}
                        RUNTIME_OUTPUT_DIRECTORY ${LATTICESIM_MATLAB_DIR})
  add_custom_command(TARGET ${name}_matlab POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy ${help_file} ${LATTICESIM_MATLAB_DIR}/${name}.m)
endfunction()

add_matlab_mex(ringsim ${PROJECT_SOURCE_DIR}/ringsim/ringsim.m ${LATTICESIM_RINGSIM_SOURCES})
add_matlab_mex(gridsim ${PROJECT_SOURCE_DIR}/gridsim/gridsim.m ${LATTICESIM_GRIDSIM_SOURCES})

# The self-check and its expected results, beside the plug-ins.
add_custom_target(latticesim_selfcheck_matlab ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LATTICESIM_MATLAB_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/selfcheck/latticesim_selfcheck.m
          ${PROJECT_SOURCE_DIR}/selfcheck/latticesim_selfcheck_cases.txt ${LATTICESIM_MATLAB_DIR}
  VERBATIM)

# latticesim_version(): the project's version, beside the plug-ins.
configure_file(${PROJECT_SOURCE_DIR}/host/latticesim_version.m.in ${LATTICESIM_MATLAB_DIR}/latticesim_version.m @ONLY)

# The sweep's figures (plot_sweep), beside the plug-ins.
add_custom_target(plot_sweep_matlab ALL
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LATTICESIM_MATLAB_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PROJECT_SOURCE_DIR}/sweep/results/plot_sweep.m ${LATTICESIM_MATLAB_DIR}
  VERBATIM)
