// A first look at the element headers of a version 5 MAT-file (versions 6
// and 7 included) before the MAT-file library reads it. The library
// allocates what a header claims, a variable's dimensions and name, before
// it checks the claim against the file, so one damaged header can ask for
// gigabytes.
#pragma once

#include <string>

namespace sweep {

// Empty when every top-level element of the version 5 MAT-file at path lies
// within the file and each variable's header claims dimensions and a name
// of a plausible size; otherwise what is wrong, as a phrase.
std::string mat5_header_fault(const std::string& path);

}  // namespace sweep
