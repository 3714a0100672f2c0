# What `cmake --install` puts where, and the Debian package CPack makes of
# it (cpack -G DEB in the build folder; scripts/release.sh runs it):
# latticesweep, the Octave plug-ins with their help where Octave looks for
# them, the Python module where Debian's python3 looks, and the docs.
include(GNUInstallDirs)
set(LATTICESIM_OCTAVE_INSTALL_DIR ${CMAKE_INSTALL_DATADIR}/octave/site/m/latticesim
    CACHE STRING "Where the Octave plug-ins and their help files go, below the prefix")
set(LATTICESIM_PYTHON_INSTALL_DIR lib/python3/dist-packages
    CACHE STRING "Where the Python package latticesim goes, below the prefix")

if(TARGET latticesweep)
  install(TARGETS latticesweep RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
if(TARGET ringsim_mex AND TARGET gridsim_mex)
  # The plug-ins beside their help files: help ringsim finds the text, a call the plug-in.
  foreach(file ringsim.mex gridsim.mex ringsim.m gridsim.m latticesim_selfcheck.m latticesim_selfcheck_cases.txt
          latticesim_version.m plot_sweep.m)
    install(FILES ${LATTICESIM_MEX_DIR}/${file} DESTINATION ${LATTICESIM_OCTAVE_INSTALL_DIR})
  endforeach()
endif()
if(TARGET latticesim_core)
  install(DIRECTORY ${PROJECT_BINARY_DIR}/python/latticesim DESTINATION ${LATTICESIM_PYTHON_INSTALL_DIR}
          PATTERN __pycache__ EXCLUDE)
endif()
install(FILES README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
install(FILES demo/patterns_sweep.toml demo/lattice_demo.m DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(FILES release/COPYING DESTINATION ${CMAKE_INSTALL_DOCDIR} RENAME copyright)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME latticesim)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The latticesim developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Exact lattice runs of imitation with mutation")
set(CPACK_PACKAGE_DESCRIPTION "ringsim and gridsim for Octave, latticesweep for sweeps on every core, under\n\
mpirun or in shards, and the Python module latticesim: every run reproducible\n\
bit for bit from its seed.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
# Dependencies from the libraries the programs link (dpkg-shlibdeps); the
# hosts the plug-ins and the module run in are recommended, not required.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "octave, python3-numpy, python3-xarray, python3-h5py")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "openmpi-bin")
include(CPack)
