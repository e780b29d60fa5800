#pragma once
// Which vector kernels this build carries, and how one function is compiled for a newer instruction set
// while the rest of the build stays baseline: a per-function target keeps the standard library's inline
// code out of it, so no AVX2 instruction can leak into code that runs on every processor.

#if defined(__x86_64__) || defined(__i386__) || defined(_M_X64) || defined(_M_IX86)
#define MIVO_X86_KERNELS 1
#endif

#if defined(__GNUC__)
#define MIVO_PRAGMA(text) _Pragma(#text)
// Unrolled by this much and no further: a fully unrolled block loop runs out of vector registers.
#define MIVO_UNROLL(n) MIVO_PRAGMA(GCC unroll n)
#define MIVO_TARGET_SSE2 __attribute__((target("sse2")))
#define MIVO_TARGET_AVX2 __attribute__((target("avx2")))
#else
// Other compilers take the intrinsics without a target.
#define MIVO_UNROLL(n)
#define MIVO_TARGET_SSE2
#define MIVO_TARGET_AVX2
#endif
