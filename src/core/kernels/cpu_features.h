#pragma once
// The vector instruction sets the processor offers, as a bit mask that the kernel tables choose their
// versions by, and the mapping from the program's processor level to such a mask.

#include <cstdint>

namespace mivo {

using CpuFeatures = std::uint32_t;

namespace cpu {
inline constexpr CpuFeatures mmx = 1u << 0;
inline constexpr CpuFeatures sse2 = 1u << 1;
inline constexpr CpuFeatures sse3 = 1u << 2;
inline constexpr CpuFeatures ssse3 = 1u << 3;
inline constexpr CpuFeatures sse41 = 1u << 4;
inline constexpr CpuFeatures sse42 = 1u << 5;
inline constexpr CpuFeatures avx2 = 1u << 6;
inline constexpr CpuFeatures all = (1u << 7) - 1;
} // namespace cpu

// The words of cpuid that decide the mask: leaf 1 (ecx, edx), leaf 7 sub-leaf 0 (ebx), and the operating
// system's enabled register state (XCR0; only read when leaf 1 reports OSXSAVE).
struct CpuidWords {
    std::uint32_t leaf1Ecx = 0, leaf1Edx = 0, leaf7Ebx = 0;
    std::uint64_t xcr0 = 0;
};

// AVX2 counts only when the operating system saves the 256-bit registers: without that its
// instructions fault even though the processor lists them.
CpuFeatures cpuFeaturesFromCpuid(const CpuidWords& words);

// The features of the processor this runs on, read once; zero on processors without cpuid and on builds
// for other architectures (which carry only the plain versions).
CpuFeatures detectedCpuFeatures();

// The program's processor level (0 no MMX .. 6 SSE4.2, also when a test forces it) as the features the
// kernels may use: what that level implies, within what the processor really has. Level 6 is the top of
// the scale and keeps the newer sets (AVX2) the processor has.
CpuFeatures cpuFeaturesForLevel(int cpuLevel, CpuFeatures detected = detectedCpuFeatures());

// The level the features give: the levels are tested from MMX up and the last one present wins, so a
// processor with SSE3 but without SSE2 still reports 3.
int cpuLevelFromFeatures(CpuFeatures features);

} // namespace mivo
