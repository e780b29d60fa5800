#include "core/scan/scan_progress.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Positions reported while frames 1 .. last are scanned: halves round up, and a position is reported
// only when it grew.
TEST(ScanProgress, ReportsTheRoundedPositionOnlyWhenItGrows) {
    const struct {
        int frameCount, last;
        std::vector<int> expected;
    } rows[] = {
        {2000, 5, {1, 2, 3}},    // 0.5 1.0 1.5 2.0 2.5: every half rounds up
        {3, 2, {333, 667}},      // 333.33 and 666.67
        {1000, 4, {1, 2, 3, 4}}, // one step a frame
        {1, 0, {}},              // no frame to scan
        {0, 3, {}},              // no source: nothing, and no division by zero
    };
    for (const auto& row : rows) {
        mivo::ScanProgress progress(row.frameCount);
        std::vector<int> reported;
        for (int n = 1; n <= row.last; ++n)
            if (const auto p = progress.advance(n)) reported.push_back(*p);
        EXPECT_EQ(reported, row.expected) << row.frameCount << " frames";
    }
}

} // namespace
