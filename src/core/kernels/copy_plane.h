#pragma once
// A copy of n bytes of a plane into a buffer of its own (the scan keeps the frame before the current one
// this way). The planes the program copies are whole multiples of 32 bytes; every version copies any n.

#include "core/kernels/kernel_family.h"
#include "core/kernels/simd_target.h"

#include <cstddef>
#include <cstdint>

namespace mivo {

using CopyPlaneFn = void (*)(const std::uint8_t* source, std::uint8_t* destination, std::size_t n);

// The standard library's copy.
void copyPlaneReference(const std::uint8_t* source, std::uint8_t* destination, std::size_t n);
#if defined(MIVO_X86_KERNELS)
void copyPlaneSse2(const std::uint8_t* source, std::uint8_t* destination, std::size_t n);
void copyPlaneAvx2(const std::uint8_t* source, std::uint8_t* destination, std::size_t n);
#endif

const KernelFamily<CopyPlaneFn>& copyPlaneFamily();

} // namespace mivo
