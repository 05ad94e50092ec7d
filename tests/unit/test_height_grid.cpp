// test_height_grid.cpp -- colour packing at every depth, grid storage order and odd image shapes
#include <set>

#include <gtest/gtest.h>

#include "allegro_test.h"

struct packing_case {
    int depth;
    int r, g, b;
    int expected;       // as Allegro's component readers report the colour at that depth
};

class ColorDisruptor : public ::testing::TestWithParam<packing_case> {
protected:
    void TearDown() override
    {
        destroy_bitmap(race);
        race = nullptr;
    }
};

TEST_P(ColorDisruptor, PacksRedGreenBlueAsDecimalDigits)
{
    const packing_case c = GetParam();

    race = make_red_image(c.depth, 2, 2, { 0, 0, 0, c.r }, c.g, c.b);
    EXPECT_EQ(color_disruptor(1, 1), c.expected);
    // 5- and 6-bit components are scaled up by Allegro's tables: 25 -> 206, 12 -> 99, 25 -> 101, 6 -> 49
}

INSTANTIATE_TEST_SUITE_P(Depths, ColorDisruptor, ::testing::Values(
    packing_case{ 24, 200, 100, 50,  200100050 },
    packing_case{ 32, 200, 100, 50,  200100050 },
    packing_case{ 24, 255, 255, 255, 255255255 },
    packing_case{ 32, 255, 255, 255, 255255255 },
    packing_case{ 24, 0,   0,   0,   0 },
    packing_case{ 32, 0,   255, 0,   255000 },
    packing_case{ 24, 0,   0,   255, 255 },
    packing_case{ 16, 200, 100, 50,  206101049 },
    packing_case{ 15, 200, 100, 50,  206099049 },
    packing_case{ 16, 255, 255, 255, 255255255 },
    packing_case{ 15, 0,   0,   0,   0 }),
    [](const ::testing::TestParamInfo<packing_case> &info) {
        const packing_case &c = info.param;

        return "bpp" + std::to_string(c.depth) + "_" + std::to_string(c.r) + "_" + std::to_string(c.g) + "_" +
               std::to_string(c.b);
    });

TEST(ColorDisruptorPalette, ReadsThePaletteEntryAtEightBits)
{
    start_allegro_without_display();
    race = create_bitmap_ex(8, 2, 1);
    // the test palette's entry 128 is (32, 31, 0) on the 6-bit scale
    putpixel(race, 1, 0, 128);
    putpixel(race, 0, 0, 3);
    EXPECT_EQ(color_disruptor(1, 0), 130125000);
    EXPECT_EQ(color_disruptor(0, 0), 255195);     // entry 3 is (0, 63, 48): 48 scales to 195
    destroy_bitmap(race);
    race = nullptr;
}

class OutsideTheImage : public ::testing::TestWithParam<int> {};

TEST_P(OutsideTheImage, GivesZeroWithoutReading)
{
    race = make_red_image(GetParam(), 3, 2, { 255, 255, 255, 255, 255, 255 }, 255, 255);
    EXPECT_NE(color_disruptor(2, 1), 0);
    EXPECT_EQ(color_disruptor(3, 0), 0);
    EXPECT_EQ(color_disruptor(0, 2), 0);
    EXPECT_EQ(color_disruptor(3, 2), 0);
    EXPECT_EQ(color_disruptor(1000000, 5), 0);
    EXPECT_EQ(color_disruptor(1, 2147483647), 0);
    destroy_bitmap(race);
    race = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Depths, OutsideTheImage, ::testing::Values(8, 15, 16, 24, 32));

class HeightGrid : public ::testing::TestWithParam<int> {};

TEST_P(HeightGrid, IsTheRedComponentWhateverGreenAndBlue)
{
    use_heightmap(make_red_image(GetParam(), 2, 2, { 0, 128, 255, 64 }, 255, 255));
    // at 15/16 bits red has 5 bits: 128 -> 132, 64 -> 66
    const bool five_bits = GetParam() == 15 || GetParam() == 16;

    EXPECT_EQ(height_at(0, 0), 0);
    EXPECT_EQ(height_at(1, 0), five_bits ? 132 : 128);
    EXPECT_EQ(height_at(0, 1), 255);
    EXPECT_EQ(height_at(1, 1), five_bits ? 66 : 64);
}

INSTANTIATE_TEST_SUITE_P(Depths, HeightGrid, ::testing::Values(15, 16, 24, 32));

TEST(HeightGridLayout, IsStoredColumnByColumn)
{
    // row 0: 10 20 30, row 1: 40 50 60
    use_heightmap(make_red_image(32, 3, 2, { 10, 20, 30, 40, 50, 60 }));
    const int expected[6] = { 10, 40, 20, 50, 30, 60 };

    for (int i = 0; i < 6; i++)
        EXPECT_EQ(dirmap_red[i], expected[i]) << "element " << i;
}

TEST(HeightGridLayout, WideImagesFillEveryColumnBand)
{
    // wider than one band of columns and not a multiple of it, with distinct heights everywhere
    const int        w = 37, h = 5;
    std::vector<int> reds(w * h);

    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            reds[y * w + x] = (x * 7 + y * 3) % 256;
    use_heightmap(make_red_image(24, w, h, reds));
    for (int x = 0; x < w; x++)
        for (int y = 0; y < h; y++)
            ASSERT_EQ(dirmap_red[x * h + y], reds[y * w + x]) << "x " << x << " y " << y;
}

TEST(HeightGridLayout, OnePixelWideOrHighGivesOneColumnOrRow)
{
    use_heightmap(make_red_image(24, 1, 4, { 1, 2, 3, 4 }));
    for (int y = 0; y < 4; y++)
        EXPECT_EQ(dirmap_red[y], y + 1);

    use_heightmap(make_red_image(24, 4, 1, { 5, 6, 7, 8 }));
    for (int x = 0; x < 4; x++)
        EXPECT_EQ(dirmap_red[x], x + 5);
}

TEST(HeightGridLevels, SixteenBitImagesGiveThirtyTwoHeights)
{
    std::vector<int> reds(256);

    for (int i = 0; i < 256; i++)
        reds[i] = i;
    for (int depth : { 16, 24 }) {
        use_heightmap(make_red_image(depth, 256, 1, reds));
        std::set<int> levels(dirmap_red, dirmap_red + 256);

        EXPECT_EQ(levels.size(), depth == 16 ? 32u : 256u) << depth << " bits";
        EXPECT_EQ(*levels.begin(), 0);
        EXPECT_EQ(*levels.rbegin(), 255);
    }
}
