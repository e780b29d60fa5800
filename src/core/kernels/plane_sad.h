#pragma once
// The sum of absolute differences of two planes' bytes, taken in whole chunks of 256 bytes: a remainder
// below 256 bytes is not counted (the scan's frame differences are defined that way).

#include "core/kernels/kernel_family.h"
#include "core/kernels/simd_target.h"

#include <cstddef>
#include <cstdint>

namespace mivo {

inline constexpr std::size_t kPlaneSadChunk = 256;

using PlaneSadFn = std::uint64_t (*)(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);

std::uint64_t planeSadReference(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);
#if defined(MIVO_X86_KERNELS)
std::uint64_t planeSadSse2(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);
std::uint64_t planeSadAvx2(const std::uint8_t* a, const std::uint8_t* b, std::size_t n);
#endif

const KernelFamily<PlaneSadFn>& planeSadFamily();

} // namespace mivo
