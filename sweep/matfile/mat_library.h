// The MAT-file library writes version 7.3 files through HDF5. Two of
// HDF5's defaults do not suit a command-line program that reports its own
// errors: it prints its internal error stack on every failure, and at exit
// it closes files that are still open, which crashes when an earlier close
// failed (a full disk, a file-size limit). Every file we open is closed by
// us, so both are switched off.
#pragma once

namespace sweep {

// Call before the MAT-file library is first used; later calls do no harm.
void quiet_mat_library();

}  // namespace sweep
