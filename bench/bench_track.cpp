// bench_track.cpp -- the benchmarks' track: rolling hills of any size and a checked texture
#include "bench_track.h"

#include <cmath>            // Required for: sin, cos

int bench_height(int x, int y)
{
    const double pi = 3.14159265358979323846;
    const double a  = std::sin(2.0 * pi * x / 97.0) * std::cos(2.0 * pi * y / 113.0);
    const double b  = std::sin(2.0 * pi * (x + y) / 41.0);

    return (int)(127.5 + 100.0 * a + 27.0 * b);
}

BITMAP *make_bench_heightmap(int depth, int w, int h)
{
    BITMAP *image = create_bitmap_ex(depth, w, h);

    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            putpixel(image, x, y, makecol_depth(depth, bench_height(x, y), 40, 20));
    return image;
}

BITMAP *make_bench_texture(int depth)
{
    BITMAP *image = create_bitmap_ex(depth, 256, 256);

    for (int y = 0; y < 256; y++)
        for (int x = 0; x < 256; x++) {
            const int check = ((x / 32) + (y / 32)) % 2;

            putpixel(image, x, y, makecol_depth(depth, check ? 60 + x / 2 : 20, 90 + x / 4, check ? 30 : 140));
        }
    return image;
}
