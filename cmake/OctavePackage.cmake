# The Octave package's pieces, made at configure time into
# <build>/release/octave: its DESCRIPTION (version and date), the Makefile
# that pkg install runs with the plug-ins' source lists, and files.txt, every
# file the package holds ("<source path><tab><path in the package>").
# release/make_octave_package.sh assembles and packs them.
set(pkg_out ${CMAKE_BINARY_DIR}/release/octave)
# The date honours SOURCE_DATE_EPOCH, so one commit gives one package.
string(TIMESTAMP LATTICESIM_RELEASE_DATE "%Y-%m-%d" UTC)

function(relative_sources out)
  set(list "")
  foreach(source ${ARGN})
    file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${source})
    list(APPEND list ${rel})
  endforeach()
  string(REPLACE ";" " " text "${list}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
relative_sources(PACKAGE_HOST_SOURCES ${LATTICESIM_HOST_SOURCES})
relative_sources(PACKAGE_RINGSIM_SOURCES ${LATTICESIM_RINGSIM_SOURCES})
relative_sources(PACKAGE_GRIDSIM_SOURCES ${LATTICESIM_GRIDSIM_SOURCES})

configure_file(${PROJECT_SOURCE_DIR}/release/octave/DESCRIPTION.in ${pkg_out}/DESCRIPTION @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/release/octave/Makefile.in ${pkg_out}/Makefile @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/host/latticesim_version.m.in ${pkg_out}/latticesim_version.m @ONLY)

set(lines
    "${pkg_out}/DESCRIPTION	DESCRIPTION"
    "${PROJECT_SOURCE_DIR}/release/octave/INDEX\tINDEX"
    "${PROJECT_SOURCE_DIR}/release/COPYING\tCOPYING"
    "${PROJECT_SOURCE_DIR}/ringsim/ringsim.m\tinst/ringsim.m"
    "${PROJECT_SOURCE_DIR}/gridsim/gridsim.m\tinst/gridsim.m"
    "${PROJECT_SOURCE_DIR}/selfcheck/latticesim_selfcheck.m\tinst/latticesim_selfcheck.m"
    "${PROJECT_SOURCE_DIR}/selfcheck/latticesim_selfcheck_cases.txt\tinst/latticesim_selfcheck_cases.txt"
    "${pkg_out}/latticesim_version.m\tinst/latticesim_version.m"
    "${PROJECT_SOURCE_DIR}/sweep/results/plot_sweep.m\tinst/plot_sweep.m"
    "${pkg_out}/Makefile\tsrc/Makefile"
    "${PROJECT_SOURCE_DIR}/release/octave/FILES\tsrc/FILES")
file(GLOB headers RELATIVE ${PROJECT_SOURCE_DIR}
     ${PROJECT_SOURCE_DIR}/core/*.h ${PROJECT_SOURCE_DIR}/host/*.h ${PROJECT_SOURCE_DIR}/arguments/*.h
     ${PROJECT_SOURCE_DIR}/models/*.h ${PROJECT_SOURCE_DIR}/ringsim/*.h ${PROJECT_SOURCE_DIR}/gridsim/*.h)
string(REPLACE " " ";" sources "${PACKAGE_HOST_SOURCES} ${PACKAGE_RINGSIM_SOURCES} ${PACKAGE_GRIDSIM_SOURCES}")
list(APPEND sources ${headers})
list(REMOVE_DUPLICATES sources)
list(SORT sources)
foreach(rel ${sources})
  list(APPEND lines "${PROJECT_SOURCE_DIR}/${rel}\tsrc/${rel}")
endforeach()
string(REPLACE ";" "\n" text "${lines}")
file(WRITE ${pkg_out}/files.txt "${text}\n")
