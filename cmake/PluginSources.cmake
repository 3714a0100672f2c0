# The source files of each part, the one list of them: the project's own
# libraries (core/, arguments/, models/, ringsim/, gridsim/) and the builds driven outside them
# (mkoctfile, matlab_add_mex) all read these, so a new source file is added
# here once.
set(LATTICESIM_CORE_SOURCES
    ${PROJECT_SOURCE_DIR}/core/random_streams.cpp
    ${PROJECT_SOURCE_DIR}/core/level_tally.cpp
    ${PROJECT_SOURCE_DIR}/core/mutation_draw.cpp
    ${PROJECT_SOURCE_DIR}/core/natural_log.cpp
    ${PROJECT_SOURCE_DIR}/core/congruential_jumps.cpp
    ${PROJECT_SOURCE_DIR}/core/fast_uniform.cpp
    ${PROJECT_SOURCE_DIR}/core/mutation_threshold.cpp
    ${PROJECT_SOURCE_DIR}/core/fast_draws.cpp
    ${PROJECT_SOURCE_DIR}/core/site_arrays.cpp)

set(LATTICESIM_RING_MODEL_SOURCES
    ${PROJECT_SOURCE_DIR}/ringsim/ring_model.cpp
    ${PROJECT_SOURCE_DIR}/ringsim/ring_steps.cpp
    ${PROJECT_SOURCE_DIR}/ringsim/ring_fast_steps.cpp
    ${PROJECT_SOURCE_DIR}/ringsim/ring_lane_steps.cpp
    ${PROJECT_SOURCE_DIR}/ringsim/ring_descriptor.cpp)

set(LATTICESIM_TORUS_MODEL_SOURCES
    ${PROJECT_SOURCE_DIR}/gridsim/torus_lattice.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_scores.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_steps.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_fast_scores.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_quadrant_vectors.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_setup_scores.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_fast_steps.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_lane_steps.cpp
    ${PROJECT_SOURCE_DIR}/gridsim/torus_descriptor.cpp)

# The argument rules, needing no host (the sweep runner uses them too), and
# the helpers every gateway calls.
set(LATTICESIM_ARGUMENT_SOURCES ${PROJECT_SOURCE_DIR}/arguments/argument_rules.cpp)
set(LATTICESIM_MODEL_CALL_SOURCES ${PROJECT_SOURCE_DIR}/models/model_call.cpp)
set(LATTICESIM_GATEWAY_HELPER_SOURCES
    ${PROJECT_SOURCE_DIR}/host/gateway_checks.cpp
    ${PROJECT_SOURCE_DIR}/host/scratch_blocks.cpp
    ${PROJECT_SOURCE_DIR}/host/model_gateway.cpp)

# What every plug-in adds to its own sources: the core and the shared
# gateway helpers.
set(LATTICESIM_HOST_SOURCES ${LATTICESIM_CORE_SOURCES} ${LATTICESIM_GATEWAY_HELPER_SOURCES}
    ${LATTICESIM_ARGUMENT_SOURCES} ${LATTICESIM_MODEL_CALL_SOURCES})

set(LATTICESIM_RINGSIM_GATEWAY ${PROJECT_SOURCE_DIR}/ringsim/ringsim_gateway.cpp)
set(LATTICESIM_GRIDSIM_GATEWAY ${PROJECT_SOURCE_DIR}/gridsim/gridsim_gateway.cpp)
set(LATTICESIM_RINGSIM_SOURCES ${LATTICESIM_RINGSIM_GATEWAY} ${LATTICESIM_RING_MODEL_SOURCES})
set(LATTICESIM_GRIDSIM_SOURCES ${LATTICESIM_GRIDSIM_GATEWAY} ${LATTICESIM_TORUS_MODEL_SOURCES})
