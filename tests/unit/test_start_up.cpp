// test_start_up.cpp -- far plane, root, the tick callback and the size limit of the view
#include <cmath>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "trackview.h"

struct far_plane_case {
    int   w, h;
    float expected;
};

class FarPlane : public ::testing::TestWithParam<far_plane_case> {};

TEST_P(FarPlane, IsTheBoxDiagonalInSinglePrecision)
{
    const far_plane_case c = GetParam();

    EXPECT_EQ(far_plane(c.w, c.h), c.expected) << c.w << "x" << c.h;
}

// sums 196097, 705025 and 65027
INSTANTIATE_TEST_SUITE_P(Sizes, FarPlane, ::testing::Values(
    far_plane_case{ 256, 256, 442.8283996582031f },
    far_plane_case{ 640, 480, 839.65765f },
    far_plane_case{ 1,   1,   255.00392f }),
    [](const ::testing::TestParamInfo<far_plane_case> &info) {
        return std::to_string(info.param.w) + "x" + std::to_string(info.param.h);
    });

TEST(Root, TakesTheAbsoluteValue)
{
    EXPECT_FLOAT_EQ(root(-4.0f, 0.5f), 2.0f);
    EXPECT_FLOAT_EQ(root(4.0f, 0.5f), 2.0f);
    EXPECT_FLOAT_EQ(root(-27.0f, 1.0f / 3.0f), 3.0f);
}

TEST(Root, OfZeroIsZero)
{
    EXPECT_EQ(root(0.0f, 0.5f), 0.0f);
    EXPECT_EQ(root(-0.0f, 0.5f), 0.0f);
}

TEST(Root, NaNPassesThrough)
{
    EXPECT_TRUE(std::isnan(root(std::numeric_limits<float>::quiet_NaN(), 0.5f)));
}

TEST(Horloge, RaisesTheTickFlag)
{
    dring.store(0);
    horloge();
    EXPECT_EQ(dring.load(), 1);
    horloge();
    EXPECT_EQ(dring.load(), 1) << "the flag is a level, not a counter";
}

TEST(FarPlaneSum, FitsUpToTheLargestSignedInt)
{
    // 32767^2 * 2 + 65025 = 2147352603 fits; 32768 on one side does not with 32767 on the other
    EXPECT_TRUE(far_plane_sum_fits(32767, 32767));
    EXPECT_TRUE(far_plane_sum_fits(46340, 1));              // 2147395600 + 1 + 65025 = 2147460626
    EXPECT_FALSE(far_plane_sum_fits(46341, 1));             // 2147488281 alone is too much
    EXPECT_FALSE(far_plane_sum_fits(32768, 32768));
    EXPECT_FALSE(far_plane_sum_fits(2147483647, 2147483647));
}
