// bmp_writer.cpp -- BMP files built field by field, and the crafted set of good and broken files
#include "bmp_writer.h"

static void put16(bytes &out, uint32_t v)
{
    out.push_back((unsigned char)v);
    out.push_back((unsigned char)(v >> 8));
}

static void put32(bytes &out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

bytes bmp_bytes(const bmp_fields &s)
{
    const bool   os2         = s.info_size == 12;
    const bool   masks_after = s.info_size == 40 && (s.compression == 3 || s.compression == 6);
    const size_t mask_bytes  = masks_after ? (s.compression == 6 ? 16 : 12) : 0;
    const size_t entry_bytes = os2 ? 3 : 4;
    const size_t offset      = s.offset >= 0 ? (size_t)s.offset
                                             : 14 + s.info_size + mask_bytes + entry_bytes * s.palette.size();
    bytes info;

    if (os2) {
        put16(info, (uint32_t)s.width);
        put16(info, (uint32_t)s.height);
        put16(info, 1);
        put16(info, (uint32_t)s.bit_count);
    } else {
        put32(info, (uint32_t)s.width);
        put32(info, (uint32_t)s.height);
        put16(info, 1);
        put16(info, (uint32_t)s.bit_count);
        put32(info, s.compression);
        put32(info, (uint32_t)s.pixels.size());
        put32(info, 2835);
        put32(info, 2835);
        put32(info, s.clr_used);
        put32(info, 0);
        if (s.info_size >= 52)
            for (int i = 0; i < (s.info_size >= 56 ? 4 : 3); i++)
                put32(info, s.masks[i]);
        if (s.info_size >= 108)
            put32(info, 0x73524742);            // colour space "sRGB"
    }
    info.resize(s.info_size - 4, 0);            // the size field itself comes first

    bytes out = { 'B', 'M' };

    put32(out, (uint32_t)(14 + s.info_size + mask_bytes + entry_bytes * s.palette.size() + s.pixels.size()));
    put32(out, 0);
    put32(out, (uint32_t)offset);
    put32(out, s.info_size);
    out.insert(out.end(), info.begin(), info.end());
    for (size_t i = 0; i < mask_bytes / 4; i++)
        put32(out, s.masks[i]);
    for (uint32_t c : s.palette) {
        out.push_back((unsigned char)c);
        out.push_back((unsigned char)(c >> 8));
        out.push_back((unsigned char)(c >> 16));
        if (!os2)
            out.push_back(0);
    }
    if (s.offset < 0)
        out.resize(offset, 0);
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

bytes bmp_rows(int width, int height, int bit_count, bool top_down, const std::function<uint32_t(int, int)> &value)
{
    const size_t row_bytes = ((size_t)width * bit_count + 31) / 32 * 4;
    bytes        out;

    for (int r = 0; r < height; r++) {
        const int y = top_down ? r : height - 1 - r;
        bytes     row(row_bytes, 0);

        for (int x = 0; x < width; x++) {
            const uint32_t v = value(x, y);

            switch (bit_count) {
            case 1:  row[x / 8] |= (unsigned char)((v & 1) << (7 - x % 8)); break;
            case 4:  row[x / 2] |= (unsigned char)((v & 15) << (x % 2 == 0 ? 4 : 0)); break;
            case 8:  row[x] = (unsigned char)v; break;
            case 16: row[2 * x] = (unsigned char)v; row[2 * x + 1] = (unsigned char)(v >> 8); break;
            default:
                for (int b = 0; b < bit_count / 8; b++)
                    row[(size_t)x * (bit_count / 8) + b] = (unsigned char)(v >> (8 * b));
            }
        }
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

// The good images: 5 x 3 (odd rows need padding), top row unlike the bottom one
static const int W = 5, H = 3;

static const uint32_t EIGHT[8] = { 0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                   0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF };

static int pattern(int x, int y, int n)
{
    return (x + 3 * y + (y == 0 ? 1 : 0)) % n;
}

// True-colour pixel (x, y): red rises down and across, so a flipped image shows
static uint32_t true_colour(int x, int y)
{
    return (uint32_t)(x * 25 + y * 60 + 10) << 16 | (uint32_t)(y * 80 + 20) << 8 | (uint32_t)(x * 20 + 5);
}

static std::vector<uint32_t> expected(const std::function<uint32_t(int, int)> &rgb)
{
    std::vector<uint32_t> out;

    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            out.push_back(rgb(x, y));
    return out;
}

static crafted_bmp good(const std::string &name, const bmp_fields &fields, const std::function<uint32_t(int, int)> &rgb,
                        bool variant = false)
{
    crafted_bmp c;

    c.name    = name;
    c.file    = bmp_bytes(fields);
    c.width   = W;
    c.height  = H;
    c.rgb     = expected(rgb);
    c.variant = variant;
    return c;
}

static crafted_bmp broken(const std::string &name, const bytes &file, const std::string &as_heightmap,
                          const std::string &as_texture = "")
{
    crafted_bmp c;

    c.name         = name;
    c.file         = file;
    c.as_heightmap = as_heightmap;
    c.as_texture   = as_texture.empty() ? as_heightmap : as_texture;
    return c;
}

// A paletted 5 x 3 image; entry i of the palette is EIGHT[(3 * i) % 8], so index and colour differ
static bmp_fields paletted(int bits, int entries, bool top_down)
{
    bmp_fields s;

    s.width     = W;
    s.height    = top_down ? -H : H;
    s.bit_count = bits;
    s.clr_used  = entries == (1 << bits) ? 0 : (uint32_t)entries;
    for (int i = 0; i < entries; i++)
        s.palette.push_back(EIGHT[(3 * i) % 8]);
    s.pixels = bmp_rows(W, H, bits, top_down, [entries](int x, int y) { return (uint32_t)pattern(x, y, entries); });
    return s;
}

static std::function<uint32_t(int, int)> paletted_rgb(int entries)
{
    return [entries](int x, int y) { return EIGHT[(3 * pattern(x, y, entries)) % 8]; };
}

static bmp_fields true_colour_spec(int bits, uint32_t info_size, bool top_down)
{
    bmp_fields s;

    s.info_size = info_size;
    s.width     = W;
    s.height    = top_down ? -H : H;
    s.bit_count = bits;
    s.pixels    = bmp_rows(W, H, bits, top_down, [bits](int x, int y) {
        return true_colour(x, y) | (bits == 32 ? 0x80000000u : 0);
    });
    return s;
}

// 16-bit words of the eight colours, 5 bits a component (6 for green in 565)
static bmp_fields sixteen_bit(bool masks, bool green6)
{
    bmp_fields s;

    s.width       = W;
    s.height      = H;
    s.bit_count   = 16;
    s.compression = masks ? 3 : 0;
    if (masks) {
        s.masks[0] = green6 ? 0xF800 : 0x7C00;
        s.masks[1] = green6 ? 0x07E0 : 0x03E0;
        s.masks[2] = 0x001F;
    }
    s.pixels = bmp_rows(W, H, 16, false, [green6](int x, int y) {
        const uint32_t c = EIGHT[pattern(x, y, 8)];
        const uint32_t r = c >> 16 ? 31 : 0, g = c >> 8 & 0xFF ? (green6 ? 63 : 31) : 0, b = c & 0xFF ? 31 : 0;

        return green6 ? r << 11 | g << 5 | b : r << 10 | g << 5 | b;
    });
    return s;
}

// RLE data of the paletted 5 x 3 image with 8 colours, bottom row first: runs of one
// pixel, an absolute run, then runs again; 4-bit runs carry the same index in both nibbles
static bytes rle_image(bool rle4)
{
    bytes out;

    for (int y = H - 1; y >= 0; y--) {
        if (y == 1) {
            out.push_back(0);
            out.push_back(W);                   // absolute run of all five
            if (rle4) {
                for (int x = 0; x < W; x += 2)
                    out.push_back((unsigned char)(pattern(x, y, 8) << 4 | (x + 1 < W ? pattern(x + 1, y, 8) : 0)));
                if (out.size() % 2)
                    out.push_back(0);
            } else {
                for (int x = 0; x < W; x++)
                    out.push_back((unsigned char)pattern(x, y, 8));
                out.push_back(0);               // pad to 16 bits
            }
        } else {
            for (int x = 0; x < W; x++) {
                const int i = pattern(x, y, 8);

                out.push_back(1);
                out.push_back((unsigned char)(rle4 ? i << 4 | i : i));
            }
        }
        out.push_back(0);
        out.push_back(y == 0 ? 1 : 0);          // end of line, end of image on the top row
    }
    return out;
}

static bmp_fields rle_spec(bool rle4, const bytes &data, int width = W, int height = H)
{
    bmp_fields s;

    s.width       = width;
    s.height      = height;
    s.bit_count   = rle4 ? 4 : 8;
    s.compression = rle4 ? 2 : 1;
    s.clr_used    = 8;
    for (int i = 0; i < 8; i++)
        s.palette.push_back(EIGHT[(3 * i) % 8]);
    s.pixels = data;
    return s;
}

// A 24-bit header promising width x height with no pixel data at all
static bytes header_only(int32_t width, int32_t height, int bits = 24)
{
    bmp_fields s;

    s.width     = width;
    s.height    = height;
    s.bit_count = bits;
    if (bits <= 8)
        s.palette.assign((size_t)1 << bits, 0x808080);
    return bmp_bytes(s);
}

static bytes small_24bit(int64_t offset = -1)
{
    bmp_fields s = true_colour_spec(24, 40, false);

    s.width  = 4;
    s.height = 4;
    s.pixels = bmp_rows(4, 4, 24, false, true_colour);
    s.offset = offset;
    return bmp_bytes(s);
}

static bytes cut(bytes b, size_t n)
{
    b.resize(n);
    return b;
}

std::vector<crafted_bmp> crafted_bmps()
{
    std::vector<crafted_bmp> set;

    // Files that load, each depth and header Allegro reads, and the variants it does not
    set.push_back(good("good_1bit", paletted(1, 2, false), paletted_rgb(2)));
    set.push_back(good("good_4bit_8_colours", paletted(4, 8, false), paletted_rgb(8)));
    set.push_back(good("good_8bit", paletted(8, 256, false), paletted_rgb(256)));
    set.push_back(good("good_16bit", sixteen_bit(false, false), [](int x, int y) { return EIGHT[pattern(x, y, 8)]; }));
    set.push_back(good("good_16bit_565", sixteen_bit(true, true), [](int x, int y) { return EIGHT[pattern(x, y, 8)]; }));
    set.push_back(good("good_16bit_555", sixteen_bit(true, false), [](int x, int y) { return EIGHT[pattern(x, y, 8)]; }));
    set.push_back(good("good_24bit", true_colour_spec(24, 40, false), true_colour));
    set.push_back(good("good_32bit", true_colour_spec(32, 40, false), true_colour));
    {
        bmp_fields s = true_colour_spec(32, 40, false);

        s.compression = 3;
        s.masks[0] = 0xFF0000, s.masks[1] = 0xFF00, s.masks[2] = 0xFF;
        set.push_back(good("good_32bit_masks", s, true_colour));
    }
    {
        bmp_fields s = paletted(8, 256, false);

        s.info_size = 12;
        set.push_back(good("good_os2_8bit", s, paletted_rgb(256)));
        set.push_back(good("good_os2_24bit", true_colour_spec(24, 12, false), true_colour));
    }
    set.push_back(good("good_rle8", rle_spec(false, rle_image(false)), paletted_rgb(8)));
    set.push_back(good("good_rle4", rle_spec(true, rle_image(true)), paletted_rgb(8)));
    {
        // bottom row: two of colour 3, then a delta one right and one up; two of colour 5 to the
        // right edge; end of line; three pixels given one by one; end of image: the rest stays colour 0
        const bytes data = { 2, 3, 0, 2, 1, 1, 2, 5, 0, 0, 0, 3, 1, 2, 4, 0, 0, 1 };
        const int   index[H][W] = { { 1, 2, 4, 0, 0 }, { 0, 0, 0, 5, 5 }, { 3, 3, 0, 0, 0 } };

        set.push_back(good("good_rle8_delta", rle_spec(false, data),
                           [index](int x, int y) { return EIGHT[(3 * index[y][x]) % 8]; }));
    }
    {
        // ImageMagick's way: each row's last run carries on past the right edge to a multiple of
        // four pixels; those pixels are dropped
        bytes data;

        for (int y = H - 1; y >= 0; y--) {
            for (int x = 0; x < W - 1; x++) {
                data.push_back(1);
                data.push_back((unsigned char)pattern(x, y, 8));
            }
            data.push_back(4);                  // pixel W - 1 and three beyond the edge
            data.push_back((unsigned char)pattern(W - 1, y, 8));
            data.push_back(0);
            data.push_back(y == 0 ? 1 : 0);
        }
        set.push_back(good("good_rle8_padded_rows", rle_spec(false, data), paletted_rgb(8)));
    }
    set.push_back(good("variant_v4_24bit", true_colour_spec(24, 108, false), true_colour, true));
    set.push_back(good("variant_v5_24bit", true_colour_spec(24, 124, false), true_colour, true));
    {
        bmp_fields s = true_colour_spec(32, 124, false);

        s.compression = 3;
        s.masks[0] = 0xFF0000, s.masks[1] = 0xFF00, s.masks[2] = 0xFF, s.masks[3] = 0xFF000000;
        set.push_back(good("variant_v5_32bit_alpha", s, true_colour, true));
    }
    set.push_back(good("variant_top_down_24bit", true_colour_spec(24, 40, true), true_colour, true));
    set.push_back(good("variant_top_down_8bit", paletted(8, 256, true), paletted_rgb(256), true));

    // Files refused, each with the one reason it must give
    const bytes good_24 = bmp_bytes(true_colour_spec(24, 40, false));

    set.push_back(broken("empty", {}, "the file is empty"));
    {
        const std::string text = "GIF89a: this is not a bitmap at all, just words";

        set.push_back(broken("garbage", bytes(text.begin(), text.end()),
                             "not a BMP file: it does not start with \"BM\""));
    }
    set.push_back(broken("cut_in_header", cut(good_24, 30), "file ends inside its BMP header, after 30 bytes"));
    set.push_back(broken("header_only", header_only(64, 64), "file ends after 0 of 64 rows"));
    {
        bmp_fields s;

        s.width  = 64;
        s.height = 64;
        s.pixels = bmp_rows(64, 12, 24, false, true_colour);
        set.push_back(broken("truncated_rows", bmp_bytes(s), "file ends after 12 of 64 rows"));
    }
    set.push_back(broken("zero_width", header_only(0, 4), "width 0: an image must be at least 1 pixel wide"));
    set.push_back(broken("zero_height", header_only(4, 0), "height 0: an image must be at least 1 pixel high"));
    set.push_back(broken("negative_width", header_only(-64, 4), "width -64 is negative: the header is damaged"));
    // 65536 * 65536 is 2^32: 0 in 32 bits
    set.push_back(broken("product_overflows", header_only(65536, 65536),
                         "65536x65536 is too large for the view: width*width + height*height + 65025 must not "
                         "pass 2147483647 (32767x32767 at most for a square map)",
                         "65536x65536 is larger than this OpenGL's largest texture, @MAX@"));
    set.push_back(broken("too_many_pixels", header_only(30000, 30000, 8),
                         "30000x30000 has too many pixels: width x height must not pass 536870911",
                         "30000x30000 is larger than this OpenGL's largest texture, @MAX@"));
    set.push_back(broken("offset_past_end", small_24bit(100000),
                         "pixel data offset 100000 is past the end of the file (102 bytes)"));
    set.push_back(broken("offset_in_header", small_24bit(20),
                         "pixel data offset 20 points into the BMP header, which ends at byte 54"));
    {
        bmp_fields s = true_colour_spec(24, 40, false);

        s.bit_count = 2;
        set.push_back(broken("two_bits", bmp_bytes(s),
                             "2 bits per pixel is not a BMP depth this viewer reads (1, 4, 8, 16, 24 or 32)"));
        s.bit_count   = 24;
        s.compression = 4;
        set.push_back(broken("jpeg_inside", bmp_bytes(s),
                             "a BMP holding JPEG data is not supported: save the image as an uncompressed BMP"));
        s.compression = 1;
        set.push_back(broken("rle8_at_24_bits", bmp_bytes(s),
                             "RLE8 compression needs 8 bits per pixel, but the header says 24"));
        s.bit_count   = 32;
        s.compression = 3;
        s.masks[0] = 0xFF000000, s.masks[1] = 0xFF0000, s.masks[2] = 0xFF00;
        set.push_back(broken("odd_masks", bmp_bytes(s),
                             "colour masks red FF000000 green 00FF0000 blue 0000FF00 at 32 bits per pixel are not "
                             "supported: save the image as a 24-bit BMP"));
    }
    {
        bmp_fields s = true_colour_spec(24, 64, false);

        set.push_back(broken("os2_v2_header", bmp_bytes(s),
                             "a BMP info header of 64 bytes is not one this viewer reads: save the image as a Windows BMP"));
    }
    {
        bmp_fields s = paletted(8, 256, false);

        s.palette.clear();
        set.push_back(broken("palette_missing", bmp_bytes(s),
                             "the palette is missing: images of 8 bits per pixel need one"));
        s = paletted(8, 2, false);
        s.pixels = bmp_rows(W, H, 8, false, [](int x, int y) { return x == 3 && y == 0 ? 7u : 1u; });
        set.push_back(broken("colour_outside_palette", bmp_bytes(s),
                             "pixel (3, 0) uses colour 7, but the palette has only 2 colours"));
    }
    // RLE data that would send Allegro's decoder out of the image
    set.push_back(broken("rle8_past_top_row",
                         bmp_bytes(rle_spec(false, { 8, 1, 0, 0, 8, 2, 0, 0, 8, 3, 0, 1 }, 8, 2)),
                         "the RLE data go on past the top row of the 8x2 image"));
    set.push_back(broken("rle4_past_top_row",
                         bmp_bytes(rle_spec(true, { 0, 8, 0x12, 0x34, 0x56, 0x70, 0, 0, 8, 0x11, 0, 0,
                                                    0, 4, 0x12, 0x34, 0, 1 }, 8, 2)),
                         "the RLE data go on past the top row of the 8x2 image"));
    set.push_back(broken("rle8_delta_below", bmp_bytes(rle_spec(false, { 2, 1, 0, 2, 0, 10, 2, 1, 0, 1 }, 8, 4)),
                         "an RLE delta moves outside the 8x4 image"));
    set.push_back(broken("rle8_cut_short", bmp_bytes(rle_spec(false, { 8, 1, 0, 0, 8, 2 }, 8, 4)),
                         "the RLE data stop in row 2 (from the top) before the image's end mark: the file is cut short"));
    {
        bmp_fields s = rle_spec(false, rle_image(false));

        s.height = -H;
        set.push_back(broken("rle8_top_down", bmp_bytes(s),
                             "a top-down (negative height) RLE image is not a valid BMP: save it without compression"));
    }
    return set;
}
