# The sources of each plug-in, for the builds driven outside the project's
# own targets (mkoctfile, matlab_add_mex). One list, so a new source file is
# added once.
set(LATTICESIM_HOST_SOURCES
    ${PROJECT_SOURCE_DIR}/core/random_streams.cpp
    ${PROJECT_SOURCE_DIR}/core/level_tally.cpp
    ${PROJECT_SOURCE_DIR}/core/mutation_draw.cpp
    ${PROJECT_SOURCE_DIR}/core/natural_log.cpp
    ${PROJECT_SOURCE_DIR}/core/congruential_jumps.cpp
    ${PROJECT_SOURCE_DIR}/core/fast_uniform.cpp
    ${PROJECT_SOURCE_DIR}/core/mutation_threshold.cpp
    ${PROJECT_SOURCE_DIR}/core/fast_draws.cpp
    ${PROJECT_SOURCE_DIR}/core/site_arrays.cpp
    ${PROJECT_SOURCE_DIR}/host/gateway_checks.cpp
    ${PROJECT_SOURCE_DIR}/host/argument_rules.cpp
    ${PROJECT_SOURCE_DIR}/host/scratch_blocks.cpp)

set(LATTICESIM_RINGSIM_SOURCES
    ${PROJECT_SOURCE_DIR}/ringsim/ringsim_gateway.cpp
    ${PROJECT_SOURCE_DIR}/ringsim/ring_model.cpp
    ${PROJECT_SOURCE_DIR}/ringsim/ring_steps.cpp
    ${PROJECT_SOURCE_DIR}/ringsim/ring_fast_steps.cpp)

set(LATTICESIM_GRIDSIM_SOURCES
    ${PROJECT_SOURCE_DIR}/gridsim/gridsim_gateway.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_lattice.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_scores.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_steps.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_fast_scores.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_quadrant_lanes.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_fast_steps.cpp)
