// The SSE2 intrinsics the effects and pixel conversions are written in, for
// every target. x86-64 compiles them itself; elsewhere the header-only SIMDe
// library gives the same operations with the same results (NEON on aarch64,
// plain C where the target has no vector unit). The compiler's own target
// macros choose, never the machine that builds.
//
// PEEKSTUN_SIMD is 0 in the scalar build: no intrinsics are compiled at all
// and every routine takes its plain loop, the reference the vector loops are
// checked against.
#pragma once

#ifndef PEEKSTUN_SIMD
#define PEEKSTUN_SIMD 1
#endif

#if PEEKSTUN_SIMD
#if defined(__SSE2__)
#include <emmintrin.h>
#else
#define SIMDE_ENABLE_NATIVE_ALIASES
#include <simde/x86/sse2.h>
#endif
#endif
