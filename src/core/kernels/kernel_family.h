#pragma once
// A family of interchangeable kernel versions: the plain reference first, then versions for newer
// instruction sets. A table is filled by choosing, per family, the most demanding version the allowed
// features cover, so a table built for any feature mask runs on a processor that has that mask.

#include "core/kernels/cpu_features.h"

#include <span>

namespace mivo {

template <class Fn> struct KernelVersion {
    const char* name;
    CpuFeatures needs; // every bit must be allowed for the version to be chosen
    Fn fn;
};

template <class Fn> struct KernelFamily {
    std::span<const KernelVersion<Fn>> versions; // reference first, then in rising demand

    const KernelVersion<Fn>& chooseVersion(CpuFeatures allowed) const {
        const KernelVersion<Fn>* chosen = &versions.front();
        for (const KernelVersion<Fn>& v : versions)
            if ((v.needs & ~allowed) == 0) chosen = &v;
        return *chosen;
    }
    Fn choose(CpuFeatures allowed) const { return chooseVersion(allowed).fn; }
};

} // namespace mivo
