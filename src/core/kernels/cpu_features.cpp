#include "core/kernels/cpu_features.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#define MIVO_CPUID_GNU 1
#elif defined(_M_X64) || defined(_M_IX86)
#include <immintrin.h>
#include <intrin.h>
#define MIVO_CPUID_MSVC 1
#endif

namespace mivo {

namespace {

// Bit positions in the cpuid words.
constexpr std::uint32_t kEdxMmx = 1u << 23, kEdxSse2 = 1u << 26;
constexpr std::uint32_t kEcxSse3 = 1u << 0, kEcxSsse3 = 1u << 9, kEcxSse41 = 1u << 19, kEcxSse42 = 1u << 20;
constexpr std::uint32_t kEcxOsxsave = 1u << 27, kEcxAvx = 1u << 28;
constexpr std::uint32_t kLeaf7EbxAvx2 = 1u << 5;
constexpr std::uint64_t kXcr0SseAndAvxState = 0x6;

CpuidWords readCpuid() {
    CpuidWords w;
#if defined(MIVO_CPUID_GNU)
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return w;
    w.leaf1Ecx = c;
    w.leaf1Edx = d;
    if (__get_cpuid_count(7, 0, &a, &b, &c, &d)) w.leaf7Ebx = b;
    if (w.leaf1Ecx & kEcxOsxsave) {
        std::uint32_t lo = 0, hi = 0;
        __asm__ volatile("xgetbv" : "=a"(lo), "=d"(hi) : "c"(0));
        w.xcr0 = (static_cast<std::uint64_t>(hi) << 32) | lo;
    }
#elif defined(MIVO_CPUID_MSVC)
    int r[4] = {};
    __cpuid(r, 0);
    const int maxLeaf = r[0];
    if (maxLeaf < 1) return w;
    __cpuid(r, 1);
    w.leaf1Ecx = static_cast<std::uint32_t>(r[2]);
    w.leaf1Edx = static_cast<std::uint32_t>(r[3]);
    if (maxLeaf >= 7) {
        __cpuidex(r, 7, 0);
        w.leaf7Ebx = static_cast<std::uint32_t>(r[1]);
    }
    if (w.leaf1Ecx & kEcxOsxsave) w.xcr0 = _xgetbv(0);
#endif
    return w;
}

} // namespace

CpuFeatures cpuFeaturesFromCpuid(const CpuidWords& words) {
    CpuFeatures f = 0;
    if (words.leaf1Edx & kEdxMmx) f |= cpu::mmx;
    if (words.leaf1Edx & kEdxSse2) f |= cpu::sse2;
    if (words.leaf1Ecx & kEcxSse3) f |= cpu::sse3;
    if (words.leaf1Ecx & kEcxSsse3) f |= cpu::ssse3;
    if (words.leaf1Ecx & kEcxSse41) f |= cpu::sse41;
    if (words.leaf1Ecx & kEcxSse42) f |= cpu::sse42;
    const bool avxState = (words.leaf1Ecx & kEcxOsxsave) && (words.leaf1Ecx & kEcxAvx) &&
                          (words.xcr0 & kXcr0SseAndAvxState) == kXcr0SseAndAvxState;
    if (avxState && (words.leaf7Ebx & kLeaf7EbxAvx2)) f |= cpu::avx2;
    return f;
}

CpuFeatures detectedCpuFeatures() {
    static const CpuFeatures detected = cpuFeaturesFromCpuid(readCpuid());
    return detected;
}

CpuFeatures cpuFeaturesForLevel(int cpuLevel, CpuFeatures detected) {
    // What each level implies, indexed by level; the top level admits everything newer as well.
    constexpr CpuFeatures implied[] = {0,
                                       cpu::mmx,
                                       cpu::mmx | cpu::sse2,
                                       cpu::mmx | cpu::sse2 | cpu::sse3,
                                       cpu::mmx | cpu::sse2 | cpu::sse3 | cpu::ssse3,
                                       cpu::mmx | cpu::sse2 | cpu::sse3 | cpu::ssse3 | cpu::sse41,
                                       cpu::all};
    constexpr int top = static_cast<int>(sizeof implied / sizeof implied[0]) - 1;
    if (cpuLevel <= 0) return 0;
    return implied[cpuLevel < top ? cpuLevel : top] & detected;
}

int cpuLevelFromFeatures(CpuFeatures features) {
    constexpr CpuFeatures byLevel[] = {cpu::mmx, cpu::sse2, cpu::sse3, cpu::ssse3, cpu::sse41, cpu::sse42};
    int level = 0;
    for (int i = 0; i < 6; ++i)
        if (features & byLevel[i]) level = i + 1;
    return level;
}

} // namespace mivo
