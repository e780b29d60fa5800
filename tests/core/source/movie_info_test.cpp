#include "core/source/movie_info.h"

#include "base/fixed_format.h"

#include <gtest/gtest.h>

using namespace mivo;

TEST(MovieInfo, NumberFormats) {
    EXPECT_EQ(leftInt(2500, 8, Overflow::Widen), "2500");
    EXPECT_EQ(leftInt(-1, 12, Overflow::Widen), "-1");
    EXPECT_EQ(leftInt(123456789012LL, 8, Overflow::Widen),
              "123456789012"); // too wide for its field: shown whole
    EXPECT_EQ(leftReal(25.0f, 12, 4, Overflow::Widen), "25.0000");
    EXPECT_EQ(leftReal(static_cast<float>(30000.0 / 1001.0), 12, 4, Overflow::Widen), "29.9700");
    EXPECT_EQ(leftReal(100.0, 12, 2, Overflow::Widen), "100.00");
    EXPECT_EQ(leftReal(0.25, 3, 2, Overflow::Widen), "0.25"); // widening never drops the leading zero
    EXPECT_EQ(formatHms(5405), " 1:30:05");
    EXPECT_EQ(formatHms(2710), " 0:45:10");
    EXPECT_EQ(formatHms(100), " 0:01:40");
    EXPECT_EQ(formatHms(3600), " 1:00:00");
    EXPECT_EQ(formatHms(36000 - 0.5), "10:00:00"); // halves away from zero
    EXPECT_EQ(formatHms(1.49), " 0:00:01");
    EXPECT_EQ(formatHms(360000), "100:00:00");
    EXPECT_EQ(formatHms(1234567 * 3600.0 + 59), "1234567:00:59");
    EXPECT_EQ(formatHms(-3), " 0:00:00");

    EXPECT_EQ(estimateFileLengthKb(2500, 25.0f, 4000), 48828);
    EXPECT_EQ(estimateFileLengthKb(2500, 25.0f, 6000), 73242);
    EXPECT_EQ(estimateFileLengthKb(2500, 1.0f, 6000), 0);
    EXPECT_EQ(estimateFileLengthKb(2500, 0.5f, 6000), 0);
}
