// test_bundled_track.cpp -- the committed track and texture load through Allegro and suit the start-up view
#include <algorithm>
#include <string>

#include <gtest/gtest.h>

#include "allegro_test.h"
#include "bmp_check.h"

static const std::string SOURCE = TRACKVIEW_SOURCE_DIR;

// Load an image as the viewer does, through its file checks, kept at 24 bits as on a 24-bit display
static BITMAP *load_bundled(const char *relative)
{
    std::string reason;

    start_allegro_without_display();
    set_color_depth(24);

    BITMAP *image = load_checked_bmp((SOURCE + "/" + relative).c_str(), bmp_limits{ 0, true }, &reason);

    EXPECT_NE(image, nullptr) << relative << ": " << reason;
    return image;
}

TEST(BundledTrack, HeightmapIsA96By96Grid)
{
    BITMAP *image = load_bundled("Maps/race.bmp");

    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->w, 96);
    EXPECT_EQ(image->h, 96);
    EXPECT_EQ(bitmap_color_depth(image), 24);
    use_heightmap(image);

    int highest = 0;

    for (int x = 0; x < 96; x++)
        for (int y = 0; y < 96; y++)
            highest = std::max(highest, height_at(x, y));
    EXPECT_GT(highest, 80) << "the hills should rise well above the eye";
    EXPECT_LT(highest, 200) << "heights should stay well inside 0..255";
}

// The eye stands at grid point (0, 0) at height 0: any ground above it close by would
// fill the picture, so the near corner is level with the eye
TEST(BundledTrack, NearCornerIsLevelWithTheEye)
{
    BITMAP *image = load_bundled("Maps/race.bmp");

    ASSERT_NE(image, nullptr);
    use_heightmap(image);

    for (int x = 0; x < 16; x++)
        for (int y = 0; x + y < 16; y++)
            EXPECT_EQ(height_at(x, y), 0) << "at (" << x << ", " << y << ")";
}

TEST(BundledTrack, TextureHasPowerOfTwoSides)
{
    BITMAP *image = load_bundled("Textures/texture_1.bmp");

    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->w, 64);
    EXPECT_EQ(image->h, 64);
    EXPECT_EQ(bitmap_color_depth(image), 24);
    destroy_bitmap(image);
}
