// Refuses to compile the models with floating-point settings that would
// change their results from build to build. The build scripts set the right
// flags; this catches a build made some other way. LATTICESIM_ALLOW_INEXACT_FP
// lets the build comparison show what a missing flag does.
#pragma once

#if !defined(LATTICESIM_ALLOW_INEXACT_FP)

#if defined(__FAST_MATH__)
#error "fast-math reorders and approximates arithmetic: build without -ffast-math / -Ofast"
#endif

// 32-bit x86 must do double arithmetic in SSE2 registers, not in the x87
// unit's wider ones. MinGW-w64's headers define _M_IX86 for gcc too, which
// says nothing of its arithmetic: _M_IX86_FP is MSVC's (and clang-cl's).
#if defined(__i386__) && !defined(_MSC_VER) && !defined(__SSE2_MATH__)
#error "32-bit x86 needs SSE2 arithmetic: build with -msse2 -mfpmath=sse"
#endif
#if defined(_M_IX86) && defined(_MSC_VER) && (!defined(_M_IX86_FP) || _M_IX86_FP < 2)
#error "32-bit x86 needs SSE2 arithmetic: build with /arch:SSE2"
#endif

#endif
