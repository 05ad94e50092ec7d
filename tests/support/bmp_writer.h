// bmp_writer.h -- BMP files built field by field for the image checks, and the crafted set
// shared by the unit tests, the end-to-end test and the fuzz seeds
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

using bytes = std::vector<unsigned char>;

// A BMP file described field by field; any field may be set to something wrong
struct bmp_fields {
    uint32_t              info_size   = 40;         // 12 (OS/2), 40, 108, 124, or anything
    int32_t               width       = 4;
    int32_t               height      = 4;          // negative: rows stored top row first
    int                   bit_count   = 24;
    uint32_t              compression = 0;
    uint32_t              masks[4]    = { 0, 0, 0, 0 };  // red, green, blue, alpha
    uint32_t              clr_used    = 0;
    std::vector<uint32_t> palette;                  // 0xRRGGBB entries
    int64_t               offset      = -1;         // pixel-data offset; -1: right after the palette
    bytes                 pixels;                   // pixel data as stored
};

// The file's bytes: 14-byte file header, info header (masks inside it from 52 bytes up,
// after a 40-byte one with compression 3), palette, pixel data
bytes bmp_bytes(const bmp_fields &fields);

// Uncompressed pixel data, rows padded to 4 bytes: value(x, y) is pixel (x, y), y = 0 the top
// row; a palette index, 16-bit word, 0xRRGGBB or 0xAARRGGBB by bit_count
bytes bmp_rows(int width, int height, int bit_count, bool top_down,
               const std::function<uint32_t(int, int)> &value);

// A file of the crafted set, with what the checks must say of it
struct crafted_bmp {
    std::string           name;            // file name without ".bmp"
    bytes                 file;
    std::string           as_heightmap;    // the refusal as the heightmap; empty when it loads
    std::string           as_texture;      // the refusal as the texture; "@MAX@" stands for OpenGL's largest side
    int                   width  = 0;      // for files that load: size and every pixel, 0xRRGGBB,
    int                   height = 0;      // top row first
    std::vector<uint32_t> rgb;
    bool                  variant = false; // a well-formed file Allegro's own loader refuses
};

std::vector<crafted_bmp> crafted_bmps();
