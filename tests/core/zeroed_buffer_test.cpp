#include "core/zeroed_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace {

TEST(ZeroedBuffer, StartsAllZeroAndKeepsWhatIsWritten) {
    // Large enough to come as fresh pages, and a small one that comes from the heap.
    for (const std::size_t size : {std::size_t{640000}, std::size_t{7}}) {
        mivo::ZeroedBuffer<int> buffer(size);
        ASSERT_EQ(buffer.size(), size);
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](int v) { return v == 0; }));
        buffer[0] = 5;
        buffer[size - 1] = -3;
        std::fill_n(buffer.begin() + 1, std::min<std::size_t>(size - 2, 100), 2);
        EXPECT_EQ(buffer[0], 5);
        EXPECT_EQ(buffer[size - 1], -3);
        EXPECT_EQ(std::accumulate(buffer.begin(), buffer.end(), 0L),
                  5L - 3L + 2L * static_cast<long>(std::min<std::size_t>(size - 2, 100)));
    }
    mivo::ZeroedBuffer<float> factors(64);
    EXPECT_TRUE(std::all_of(factors.begin(), factors.end(), [](float v) { return v == 0.0f; }));
}

} // namespace
