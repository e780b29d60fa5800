#include "base/fixed_format.h"

#include <gtest/gtest.h>

namespace mivo {
namespace {

TEST(FixedFormat, Integers) {
    EXPECT_EQ(fixedInt(123, 8), "     123");
    EXPECT_EQ(fixedInt(-45, 3), "-45");
    EXPECT_EQ(fixedInt(-456, 3), "***");
    EXPECT_EQ(fixedInt(123456789, 8), "********");
    EXPECT_EQ(leftInt(4000, 6), "4000");
    EXPECT_EQ(leftInt(1234567, 6), "******");
    EXPECT_EQ(leftInt(-1, 8), "-1");
    EXPECT_EQ(leftInt(0), "0");
}

TEST(FixedFormat, Reals) {
    EXPECT_EQ(fixedReal(5.0, 6, 3), " 5.000");
    EXPECT_EQ(leftReal(1.05f, 6, 3), "1.050");
    EXPECT_EQ(leftReal(31.0, 6, 3), "31.000");
    EXPECT_EQ(leftReal(123.0, 6, 3), "******");
    EXPECT_EQ(fixedReal(0.5, 4, 3), ".500") << "the leading zero gives way when the field is too narrow";
    EXPECT_EQ(fixedReal(0.5, 5, 3), "0.500");
    EXPECT_EQ(fixedReal(-0.5, 5, 3), "-.500");
    EXPECT_EQ(fixedReal(1.26, 3, 1), "1.3");
    EXPECT_EQ(fixedReal(0.5f, 3, 1), "0.5");
    EXPECT_EQ(fixedReal(12.5, 3, 1), "***");
    EXPECT_EQ(leftReal(1.0, 5, 2), "1.00");
    EXPECT_EQ(fixedReal(1.0 / 0.0, 4, 1), "****");
}

TEST(FixedFormat, Trimming) {
    EXPECT_EQ(trimmed("  a b \t"), "a b");
    EXPECT_EQ(trimmed("   "), "");
    EXPECT_EQ(trimmedRight("  a  "), "  a");
    EXPECT_EQ(trimmedRight(""), "");
}

} // namespace
} // namespace mivo
