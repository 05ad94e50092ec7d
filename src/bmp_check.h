// bmp_check.h -- checks a BMP file before Allegro's loader sees it, then loads a plain copy of it
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include <allegro.h>

// Most bytes of a file the header checks read: file header, largest info header, four colour
// masks and a palette of 256 entries
static const size_t BMP_HEAD_BYTES = 14 + 124 + 16 + 256 * 4;

// Largest width x height of any image: Allegro sizes a bitmap as width*height*4 + 1 in an int
static const long long BMP_MOST_PIXELS = (2147483647LL - 1) / 4;

// What a given image may be beyond the limits every image has
struct bmp_limits {
    int  largest_side;          // widest or highest side; 0 for no limit of its own
    bool far_plane;             // the heightmap: width*width + height*height + 65025 must fit in an int
};

// What the checks learnt of a file: enough to hand Allegro's loader a plain copy of it,
// a 40-byte header and bottom-up rows
struct bmp_layout {
    int           width;
    int           height;           // rows, always positive
    bool          top_down;         // rows stored top row first (negative height in the file)
    int           bit_count;        // 1, 4, 8, 16, 24 or 32
    int           compression;      // 0 none, 1 RLE8, 2 RLE4, 3 colour masks
    uint32_t      masks[3];         // red, green, blue, with compression 3
    int           colours;          // palette entries the file holds, at most 256
    unsigned char palette[256][4];  // blue, green, red, 0
    uint64_t      pixel_offset;     // where the pixel data start in the file
    uint64_t      pixel_bytes;      // pixel data to read: every row, or the most RLE data an image this size can take
    uint64_t      row_bytes;        // one uncompressed row, padded to 4 bytes
    uint64_t      data_bytes;       // pixel data the loader reads, known once the pixels are checked
};

// Check the headers: head holds the first min(file_size, BMP_HEAD_BYTES) bytes of a file of
// file_size bytes. False with the reason a person can act on when the file cannot be used.
bool bmp_check_headers(const unsigned char *head, size_t head_size, uint64_t file_size,
                       const bmp_limits &limits, bmp_layout *layout, std::string *reason);

// Check the pixel data, which start at layout->pixel_offset: pixels holds the first
// available bytes of them, at most layout->pixel_bytes. Walks RLE data to their end.
bool bmp_check_pixels(const unsigned char *pixels, uint64_t available, bmp_layout *layout,
                      std::string *reason);

// Both checks on a whole file held in memory
bool bmp_check(const unsigned char *data, size_t size, const bmp_limits &limits, bmp_layout *layout,
               std::string *reason);

// Hand Allegro's BMP loader a plain copy of a checked image; null only when memory runs out
// NOTE: the image comes at Allegro's colour depth for loads, as load_bitmap gives it
BITMAP *bmp_load_checked(const unsigned char *pixels, const bmp_layout &layout);

// Read, check and load one BMP file; null with the reason when it cannot be used
BITMAP *load_checked_bmp(const char *path, const bmp_limits &limits, std::string *reason);
