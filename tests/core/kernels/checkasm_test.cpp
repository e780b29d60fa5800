// Every version of every kernel family that this processor runs, and the table chosen under every subset
// of the processor's features, give the reference's results on random planes of random sizes. Inputs
// start at odd addresses and end exactly where the buffer ends (so an over-read shows under the address
// sanitizer); every destination is followed by a guard band that must keep its fill.
#include "core/kernels/block_statistics.h"
#include "core/kernels/copy_plane.h"
#include "core/kernels/packed_to_planar.h"
#include "core/kernels/plane_sad.h"
#include "core/kernels/yuv_to_bgr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using mivo::CpuFeatures;

constexpr int kSeeds = 24;
constexpr std::size_t kGuard = 64;

// One in eight cases is frame-sized; the others are small enough to cover many shapes quickly.
bool largeCase(std::uint32_t seed) {
    return seed % 8 == 0;
}

int below(std::mt19937& rng, int n) {
    return n > 0 ? static_cast<int>(rng() % static_cast<std::uint32_t>(n)) : 0;
}

// Random bytes, all bytes at the two extremes (the accumulators' worst case), or values close together.
void fill(std::uint8_t* p, std::size_t n, std::mt19937& rng, std::uint32_t seed, bool high) {
    for (std::size_t i = 0; i < n; ++i)
        switch (seed % 3) {
        case 0:
            p[i] = static_cast<std::uint8_t>(rng());
            break;
        case 1:
            p[i] = high ? 255 : 0;
            break;
        default:
            p[i] = static_cast<std::uint8_t>(120 + rng() % 16);
        }
}

// An input that starts at an odd address and ends at the end of its allocation.
struct Input {
    Bytes storage;
    std::size_t offset;
    Input(std::size_t n, std::mt19937& rng, std::uint32_t seed, bool high)
        : storage(1 + rng() % 31 + n), offset(storage.size() - n) {
        fill(data(), n, rng, seed, high);
    }
    std::uint8_t* data() { return storage.data() + offset; }
};

// A destination at an odd address between random bytes that the kernel must not touch.
struct Destination {
    Bytes storage, initial;
    std::size_t offset, size;
    Destination(std::size_t n, std::mt19937& rng)
        : storage(1 + rng() % 31 + n + kGuard), offset(storage.size() - kGuard - n), size(n) {
        for (auto& b : storage)
            b = static_cast<std::uint8_t>(rng());
        initial = storage;
    }
    std::uint8_t* data() { return storage.data() + offset; }
    bool guardsKept() const {
        return std::equal(storage.begin(), storage.begin() + static_cast<std::ptrdiff_t>(offset),
                          initial.begin()) &&
               std::equal(storage.begin() + static_cast<std::ptrdiff_t>(offset + size), storage.end(),
                          initial.begin() + static_cast<std::ptrdiff_t>(offset + size));
    }
};

struct Outcome {
    Bytes observed; // results and whole destinations, guard bands included
    bool guardsKept = true;
};

void append(Bytes& out, const void* p, std::size_t n) {
    const auto* b = static_cast<const std::uint8_t*>(p);
    out.insert(out.end(), b, b + n);
}

void appendDestination(Outcome& o, const Destination& d) {
    o.observed.insert(o.observed.end(), d.storage.begin(), d.storage.end());
    o.guardsKept = o.guardsKept && d.guardsKept();
}

// Bytes spanned by `lines` lines of `width` bytes `pitch` apart.
std::size_t spanned(int lines, std::ptrdiff_t pitch, int width) {
    return lines > 0 ? static_cast<std::size_t>((lines - 1) * pitch + width) : 0;
}

Outcome runPackedToPlanar(mivo::PackedToPlanarFn fn, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const int w = largeCase(seed) ? 1 + below(rng, 1920) : below(rng, 80);
    const int h = largeCase(seed) ? 1 + below(rng, 1152) : below(rng, 12);
    const std::ptrdiff_t packedPitch = 2 * w + below(rng, 40), lumaPitch = w + below(rng, 24);
    const std::ptrdiff_t chromaPitch = w / 2 + below(rng, 24);
    Input packed(spanned(h, packedPitch, 2 * w), rng, seed, true);
    Destination luma(spanned(h, lumaPitch, w), rng);
    Destination u(spanned(h / 2, chromaPitch, w / 2), rng), v(spanned(h / 2, chromaPitch, w / 2), rng);
    fn(packed.data(), packedPitch, w, h, luma.data(), lumaPitch, u.data(), v.data(), chromaPitch);
    Outcome o;
    for (const Destination* d : {&luma, &u, &v})
        appendDestination(o, *d);
    return o;
}

// Every whole block of a random plane, as the scan walks them.
Outcome runBlockStatistics(mivo::BlockStatisticsFn fn, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const int across = 1 + below(rng, largeCase(seed) ? 120 : 6),
              down = 1 + below(rng, largeCase(seed) ? 72 : 3);
    const std::ptrdiff_t pitch = 16 * across + below(rng, 20);
    Input plane(spanned(16 * down, pitch, 16 * across), rng, seed, true);
    Outcome o;
    for (int by = 0; by < down; ++by)
        for (int bx = 0; bx < across; ++bx) {
            const mivo::BlockStatistics s = fn(plane.data() + 16 * by * pitch + 16 * bx, pitch);
            append(o.observed, &s.sum, sizeof s.sum);
            append(o.observed, &s.activity, sizeof s.activity);
        }
    return o;
}

// Sizes around the chunk size as well as random ones, so that a remainder is sometimes counted wrongly.
Outcome runPlaneSad(mivo::PlaneSadFn fn, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const std::size_t chunks = static_cast<std::size_t>(below(rng, largeCase(seed) ? 8641 : 20));
    const std::size_t remainders[] = {0, 1, mivo::kPlaneSadChunk - 1, rng() % mivo::kPlaneSadChunk};
    const std::size_t n = chunks * mivo::kPlaneSadChunk + remainders[seed / 3 % 4];
    Input a(n, rng, seed, false), b(n, rng, seed, true);
    const std::uint64_t sad = fn(a.data(), b.data(), n);
    Outcome o;
    append(o.observed, &sad, sizeof sad);
    return o;
}

Outcome runCopyPlane(mivo::CopyPlaneFn fn, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const auto n = static_cast<std::size_t>(largeCase(seed) ? below(rng, 1920 * 1152 + 1) : below(rng, 600));
    Input source(n, rng, seed, true);
    Destination destination(n, rng);
    fn(source.data(), destination.data(), n);
    Outcome o;
    appendDestination(o, destination);
    return o;
}

// Lines stored top-down or bottom-up (the picture's way) with padding between them that must keep its fill.
Outcome runYuvToBgr(mivo::YuvToBgrFn fn, std::uint32_t seed) {
    std::mt19937 rng(seed);
    const int w = 2 + below(rng, largeCase(seed) ? 1919 : 79),
              h = 2 + below(rng, largeCase(seed) ? 1151 : 11);
    const std::ptrdiff_t pitch = 3 * w + below(rng, 8);
    Input luma(static_cast<std::size_t>(w) * h, rng, seed, true);
    Input cb(static_cast<std::size_t>(w / 2) * (h / 2), rng, seed, false);
    Input cr(static_cast<std::size_t>(w / 2) * (h / 2), rng, seed, true);
    Destination out(spanned(h, pitch, 3 * w), rng);
    const bool bottomUp = rng() % 2 == 0;
    fn({luma.data(), cb.data(), cr.data(), w, h}, out.data() + (bottomUp ? (h - 1) * pitch : 0),
       bottomUp ? -pitch : pitch);
    Outcome o;
    appendDestination(o, out);
    return o;
}

// A family with the function type erased, so that one harness runs them all.
struct FamilyUnderTest {
    std::string name;
    std::vector<std::string> versionNames;
    std::vector<CpuFeatures> needs;
    std::function<Outcome(std::size_t version, std::uint32_t seed)> run;
    std::function<std::size_t(CpuFeatures allowed)> tableChoice;
};

template <class Fn>
FamilyUnderTest describe(std::string name, const mivo::KernelFamily<Fn>& family,
                         Outcome (*run)(Fn, std::uint32_t)) {
    FamilyUnderTest f{std::move(name), {}, {}, {}, {}};
    for (const auto& v : family.versions) {
        f.versionNames.emplace_back(v.name);
        f.needs.push_back(v.needs);
    }
    f.run = [&family, run](std::size_t i, std::uint32_t seed) { return run(family.versions[i].fn, seed); };
    f.tableChoice = [&family](CpuFeatures allowed) {
        return static_cast<std::size_t>(&family.chooseVersion(allowed) - family.versions.data());
    };
    return f;
}

void PrintTo(const FamilyUnderTest& f, std::ostream* out) {
    *out << f.name;
}

class Checkasm : public testing::TestWithParam<FamilyUnderTest> {};

bool runnable(CpuFeatures needs, CpuFeatures allowed) {
    return (needs & ~allowed) == 0;
}

TEST_P(Checkasm, EveryVersionAndEveryTableGiveTheReferenceResults) {
    const FamilyUnderTest& f = GetParam();
    const CpuFeatures has = mivo::detectedCpuFeatures();
    ASSERT_EQ(f.needs.front(), 0u) << "the reference comes first and runs everywhere";
    for (std::uint32_t seed = 0; seed < kSeeds; ++seed) {
        const Outcome expected = f.run(0, seed);
        ASSERT_TRUE(expected.guardsKept) << "reference, seed " << seed;
        for (std::size_t i = 1; i < f.needs.size(); ++i) {
            if (!runnable(f.needs[i], has)) continue;
            const Outcome got = f.run(i, seed);
            EXPECT_TRUE(got.guardsKept) << f.versionNames[i] << ", seed " << seed;
            ASSERT_EQ(got.observed, expected.observed) << f.versionNames[i] << ", seed " << seed;
        }
    }
    // The table under every subset of the processor's features: never a version the subset lacks, and
    // the same results as the reference. With all of them it takes the most demanding one.
    const Outcome expected = f.run(0, 1);
    for (CpuFeatures allowed = has;; allowed = (allowed - 1) & has) {
        const std::size_t i = f.tableChoice(allowed);
        EXPECT_TRUE(runnable(f.needs[i], allowed)) << f.versionNames[i] << " under mask " << allowed;
        EXPECT_EQ(f.run(i, 1).observed, expected.observed) << f.versionNames[i] << " under mask " << allowed;
        if (allowed == 0) break;
    }
    std::size_t best = 0;
    for (std::size_t i = 0; i < f.needs.size(); ++i)
        if (runnable(f.needs[i], has)) best = i;
    EXPECT_EQ(f.tableChoice(has), best);
}

INSTANTIATE_TEST_SUITE_P(
    Families, Checkasm,
    testing::Values(describe("packedToPlanar", mivo::packedToPlanarFamily(), runPackedToPlanar),
                    describe("blockStatistics", mivo::blockStatisticsFamily(), runBlockStatistics),
                    describe("planeSad", mivo::planeSadFamily(), runPlaneSad),
                    describe("copyPlane", mivo::copyPlaneFamily(), runCopyPlane),
                    describe("yuvToBgr", mivo::yuvToBgrFamily(), runYuvToBgr)),
    [](const testing::TestParamInfo<FamilyUnderTest>& info) { return info.param.name; });

} // namespace
