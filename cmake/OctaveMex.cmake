# Builds the plug-ins for GNU Octave with mkoctfile --mex, from the same
# gateway and model sources as the stand-in builds, into <build>/mex/ next
# to their help files.
find_program(MKOCTFILE mkoctfile)
if(NOT MKOCTFILE)
  message(WARNING "mkoctfile not found: the Octave plug-ins will not be built (install octave-dev)")
  return()
endif()
find_program(OCTAVE_CLI octave-cli)

set(LATTICESIM_MEX_DIR ${CMAKE_BINARY_DIR}/mex)
set(LATTICESIM_MEX_CXXFLAGS "-O2 -std=c++17 -Wall -Wextra ${LATTICESIM_EXACT_FP_STRING}")

# add_octave_mex(<name> <help .m file> <sources...>)
function(add_octave_mex name help_file)
  set(sources ${ARGN})
  set(output ${LATTICESIM_MEX_DIR}/${name}.mex)
  file(GLOB headers ${PROJECT_SOURCE_DIR}/core/*.h ${PROJECT_SOURCE_DIR}/host/*.h
       ${PROJECT_SOURCE_DIR}/arguments/*.h ${PROJECT_SOURCE_DIR}/models/*.h
       ${PROJECT_SOURCE_DIR}/ringsim/*.h ${PROJECT_SOURCE_DIR}/gridsim/*.h)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${LATTICESIM_MEX_DIR}
    COMMAND ${CMAKE_COMMAND} -E env "CXXFLAGS=${LATTICESIM_MEX_CXXFLAGS}"
            ${MKOCTFILE} --mex -DHOST_REAL_MEX
            -I${PROJECT_SOURCE_DIR}/core -I${PROJECT_SOURCE_DIR}/host
            -I${PROJECT_SOURCE_DIR}/arguments -I${PROJECT_SOURCE_DIR}/models
            -I${PROJECT_SOURCE_DIR}/ringsim -I${PROJECT_SOURCE_DIR}/gridsim
            -o ${output} ${sources}
    DEPENDS ${sources} ${headers}
    COMMENT "Building ${name}.mex with mkoctfile"
    VERBATIM)
  add_custom_command(
    OUTPUT ${LATTICESIM_MEX_DIR}/${name}.m
    COMMAND ${CMAKE_COMMAND} -E copy ${help_file} ${LATTICESIM_MEX_DIR}/${name}.m
    DEPENDS ${help_file}
    VERBATIM)
  add_custom_target(${name}_mex ALL DEPENDS ${output} ${LATTICESIM_MEX_DIR}/${name}.m)
endfunction()

add_octave_mex(ringsim ${PROJECT_SOURCE_DIR}/ringsim/ringsim.m ${LATTICESIM_RINGSIM_SOURCES} ${LATTICESIM_HOST_SOURCES})
add_octave_mex(gridsim ${PROJECT_SOURCE_DIR}/gridsim/gridsim.m ${LATTICESIM_GRIDSIM_SOURCES} ${LATTICESIM_HOST_SOURCES})

# The self-check and its expected results, beside the plug-ins.
set(LATTICESIM_SELFCHECK_FILES ${PROJECT_SOURCE_DIR}/selfcheck/latticesim_selfcheck.m
    ${PROJECT_SOURCE_DIR}/selfcheck/latticesim_selfcheck_cases.txt)
add_custom_command(
  OUTPUT ${LATTICESIM_MEX_DIR}/latticesim_selfcheck.m ${LATTICESIM_MEX_DIR}/latticesim_selfcheck_cases.txt
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LATTICESIM_MEX_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${LATTICESIM_SELFCHECK_FILES} ${LATTICESIM_MEX_DIR}
  DEPENDS ${LATTICESIM_SELFCHECK_FILES}
  VERBATIM)
add_custom_target(latticesim_selfcheck_files ALL
  DEPENDS ${LATTICESIM_MEX_DIR}/latticesim_selfcheck.m ${LATTICESIM_MEX_DIR}/latticesim_selfcheck_cases.txt)

# latticesim_version(): the project's version, beside the plug-ins.
configure_file(${PROJECT_SOURCE_DIR}/host/latticesim_version.m.in ${LATTICESIM_MEX_DIR}/latticesim_version.m @ONLY)

# The sweep's figures (plot_sweep), beside the plug-ins.
add_custom_command(
  OUTPUT ${LATTICESIM_MEX_DIR}/plot_sweep.m
  COMMAND ${CMAKE_COMMAND} -E make_directory ${LATTICESIM_MEX_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/sweep/results/plot_sweep.m ${LATTICESIM_MEX_DIR}/plot_sweep.m
  DEPENDS ${PROJECT_SOURCE_DIR}/sweep/results/plot_sweep.m
  VERBATIM)
add_custom_target(plot_sweep_file ALL DEPENDS ${LATTICESIM_MEX_DIR}/plot_sweep.m)
