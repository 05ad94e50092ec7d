// test_bmp_check.cpp -- the image checks: each crafted file refused with its reason, or loaded
// whole and the right way up, from memory and from a file
#include <cstdio>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

#include "allegro_test.h"
#include "bmp_check.h"
#include "bmp_writer.h"

static const int        LARGEST_TEXTURE = 16384;       // Mesa's llvmpipe
static const bmp_limits HEIGHTMAP       = { 0, true };
static const bmp_limits TEXTURE         = { LARGEST_TEXTURE, false };

static std::string with_largest_texture(std::string text)
{
    const size_t at = text.find("@MAX@");

    if (at != std::string::npos)
        text.replace(at, 5, std::to_string(LARGEST_TEXTURE));
    return text;
}

static std::string write_file(const std::string &name, const bytes &file)
{
    const std::string path = ::testing::TempDir() + "trackview_" + name + ".bmp";
    FILE             *f    = fopen(path.c_str(), "wb");

    EXPECT_TRUE(f && fwrite(file.data(), 1, file.size(), f) == file.size() && fclose(f) == 0) << path;
    return path;
}

static uint32_t rgb_at(BITMAP *image, int x, int y)
{
    const int p = getpixel(image, x, y);

    return (uint32_t)getr32(p) << 16 | (uint32_t)getg32(p) << 8 | (uint32_t)getb32(p);
}

// Name the file in test output rather than dump its bytes
void PrintTo(const crafted_bmp &c, std::ostream *os)
{
    *os << c.name;
}

class CraftedFile : public ::testing::TestWithParam<crafted_bmp> {
protected:
    void SetUp() override
    {
        start_allegro_without_display();
        set_color_depth(32);                    // images come converted to this depth, as to the display's
    }
};

TEST_P(CraftedFile, IsRefusedWithItsReasonOrLoadsWhole)
{
    const crafted_bmp &c    = GetParam();
    const std::string  path = write_file(c.name, c.file);

    if (!c.as_heightmap.empty()) {
        const struct { const char *role; bmp_limits limits; std::string want; } roles[] = {
            { "heightmap", HEIGHTMAP, c.as_heightmap },
            { "texture",   TEXTURE,   with_largest_texture(c.as_texture) },
        };

        for (const auto &r : roles) {
            bmp_layout  layout;
            std::string in_memory, from_file;

            EXPECT_FALSE(bmp_check(c.file.data(), c.file.size(), r.limits, &layout, &in_memory)) << r.role;
            EXPECT_EQ(in_memory, r.want) << r.role;
            EXPECT_EQ(load_checked_bmp(path.c_str(), r.limits, &from_file), nullptr) << r.role;
            EXPECT_EQ(from_file, r.want) << r.role;
        }
        remove(path.c_str());
        return;
    }

    bmp_layout  layout;
    std::string reason;

    EXPECT_TRUE(bmp_check(c.file.data(), c.file.size(), HEIGHTMAP, &layout, &reason)) << reason;

    BITMAP *image = load_checked_bmp(path.c_str(), TEXTURE, &reason);

    remove(path.c_str());
    ASSERT_NE(image, nullptr) << reason;
    EXPECT_EQ(bitmap_color_depth(image), 32);
    ASSERT_EQ(image->w, c.width);
    ASSERT_EQ(image->h, c.height);
    for (int y = 0; y < c.height; y++)
        for (int x = 0; x < c.width; x++)
            EXPECT_EQ(rgb_at(image, x, y), c.rgb[(size_t)y * c.width + x]) << "pixel (" << x << ", " << y << ")";
    destroy_bitmap(image);
}

INSTANTIATE_TEST_SUITE_P(Set, CraftedFile, ::testing::ValuesIn(crafted_bmps()),
    [](const ::testing::TestParamInfo<crafted_bmp> &info) { return info.param.name; });

// Every shorter piece of a good file is refused, never read past its end
TEST(ImageChecks, EveryCutOfAGoodFileIsRefused)
{
    for (const crafted_bmp &c : crafted_bmps()) {
        if (!c.as_heightmap.empty())
            continue;
        for (size_t n = 0; n < c.file.size(); n++) {
            const bytes piece(c.file.begin(), c.file.begin() + n);
            bmp_layout  layout;
            std::string reason;

            EXPECT_FALSE(bmp_check(piece.data(), piece.size(), HEIGHTMAP, &layout, &reason))
                << c.name << " cut to " << n << " bytes";
        }
    }
}

// Without limits of its own an image still cannot pass what Allegro can size in an int
TEST(ImageChecks, PixelCountIsCappedForEveryImage)
{
    const bmp_limits none = { 0, false };
    bmp_fields         s;
    bmp_layout       layout;
    std::string      reason;

    s.width  = 65536;
    s.height = 65536;                           // 2^32 pixels: 0 in 32 bits
    const bytes huge = bmp_bytes(s);

    EXPECT_FALSE(bmp_check(huge.data(), huge.size(), none, &layout, &reason));
    EXPECT_EQ(reason, "65536x65536 has too many pixels: width x height must not pass 536870911");

    s.width  = 23170;                           // 536,848,900 pixels: the largest square that passes
    s.height = -23170;
    const bytes largest = bmp_bytes(s);

    EXPECT_FALSE(bmp_check(largest.data(), largest.size(), none, &layout, &reason));
    EXPECT_EQ(reason, "file ends after 0 of 23170 rows");
}

TEST(ImageChecks, TextureSideAtOpenGLsLargestPasses)
{
    bmp_fields    s;
    bmp_layout  layout;
    std::string reason;

    s.width  = LARGEST_TEXTURE;
    s.height = 1;
    s.pixels.assign((size_t)LARGEST_TEXTURE * 3, 0);
    const bytes side = bmp_bytes(s);

    EXPECT_TRUE(bmp_check(side.data(), side.size(), TEXTURE, &layout, &reason)) << reason;
    s.width  = LARGEST_TEXTURE + 1;
    const bytes wider = bmp_bytes(s);

    EXPECT_FALSE(bmp_check(wider.data(), wider.size(), TEXTURE, &layout, &reason));
    EXPECT_EQ(reason, "16385x1 is larger than this OpenGL's largest texture, 16384");
}

// The larger headers need the plain copy: Allegro's own loader refuses them
// NOTE: a top-down file makes Allegro ask malloc for nearly 2^64 bytes, which the sanitizers
// stop at once, so those variants are left out here
TEST(ImageChecks, AllegroAloneRefusesTheLargerHeaders)
{
    start_allegro_without_display();
    set_color_depth(32);
    for (const crafted_bmp &c : crafted_bmps()) {
        if (!c.variant || c.name.find("top_down") != std::string::npos)
            continue;
        const std::string path = write_file(c.name, c.file);

        EXPECT_EQ(load_bmp(path.c_str(), nullptr), nullptr) << c.name;
        remove(path.c_str());
    }
}

// At a 16-bit display a height keeps 5 bits of red: the image comes through Allegro's conversion
TEST(ImageChecks, ImagesComeAtTheLoadDepth)
{
    start_allegro_without_display();
    set_color_depth(16);
    for (const crafted_bmp &c : crafted_bmps()) {
        if (c.name != "good_24bit")
            continue;
        const std::string path = write_file(c.name, c.file);
        std::string       reason;
        BITMAP           *image = load_checked_bmp(path.c_str(), HEIGHTMAP, &reason);

        remove(path.c_str());
        ASSERT_NE(image, nullptr) << reason;
        EXPECT_EQ(bitmap_color_depth(image), 16);
        // pixel (4, 2) has red 230
        EXPECT_EQ(getr16(getpixel(image, 4, 2)), _rgb_scale_5[230 >> 3]);
        destroy_bitmap(image);
    }
    set_color_depth(32);
}
