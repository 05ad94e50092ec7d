// height_grid.cpp -- the height grid: one integer height per heightmap pixel, its red component
#include <cstdlib>          // Required for: malloc

#include "trackview.h"

int         *dirmap_red = nullptr;
static int **map_red    = nullptr;     // column x starts at map_red[x] == dirmap_red + x*h

// Columns filled together by alloc: each pass over a row reads this many pixels
// side by side and writes them into as many columns, one element each.
// NOTE: columns lie 4*h bytes apart, so when h is a multiple of 1024 every column's
// current cache line falls in the same L1 set: 8 lines fit an 8-way set, 16 evict each other
static const int COLUMN_BLOCK = 8;

// Colour of pixel (x, y) of race packed as R*1000000 + G*1000 + B, or 0 outside the image
int color_disruptor(int x_disruptor, int y_disruptor)
{
    const int depth = bitmap_color_depth(race);

    if (x_disruptor >= race->w || y_disruptor >= race->h)
        return 0;

    int depth_pix = 0;

    switch (depth) {
    case 8:
        depth_pix = _getpixel(race, x_disruptor, y_disruptor);
        return getr8(depth_pix) * 1000000 + getg8(depth_pix) * 1000 + getb8(depth_pix);
    case 15:
        depth_pix = _getpixel15(race, x_disruptor, y_disruptor);
        return getr15(depth_pix) * 1000000 + getg15(depth_pix) * 1000 + getb15(depth_pix);
    case 16:
        depth_pix = _getpixel16(race, x_disruptor, y_disruptor);
        return getr16(depth_pix) * 1000000 + getg16(depth_pix) * 1000 + getb16(depth_pix);
    case 24:
        depth_pix = _getpixel24(race, x_disruptor, y_disruptor);
        return getr24(depth_pix) * 1000000 + getg24(depth_pix) * 1000 + getb24(depth_pix);
    case 32:
        depth_pix = _getpixel32(race, x_disruptor, y_disruptor);
        return getr32(depth_pix) * 1000000 + getg32(depth_pix) * 1000 + getb32(depth_pix);
    }
    return 0;
}

// Build the height grid from race
// NOTE: storage is column by column while the image is stored row by row; a band of
// COLUMN_BLOCK columns is filled at a time so that reads and writes both stay sequential
void alloc()
{
    const int    w      = race->w;
    const int    h      = race->h;
    const size_t points = (size_t)w * (size_t)h;

    map_red    = (int **)malloc(sizeof(int *) * (w > 0 ? (size_t)w : 1));
    dirmap_red = (int *)malloc(sizeof(int) * (points > 0 ? points : 1));
    if (!map_red || !dirmap_red)
        fatal_error("Not enough memory for the height grid of the %dx%d heightmap (%zu bytes)",
                    w, h, sizeof(int) * points + sizeof(int *) * (size_t)w);

    for (int x_boucle = 0; x_boucle < w; x_boucle++)
        map_red[x_boucle] = dirmap_red + (size_t)x_boucle * (size_t)h;

    for (int band = 0; band < w; band += COLUMN_BLOCK) {
        const int band_end = band + COLUMN_BLOCK < w ? band + COLUMN_BLOCK : w;

        for (int y_boucle = 0; y_boucle < h; y_boucle++)
            for (int x_boucle = band; x_boucle < band_end; x_boucle++)
                map_red[x_boucle][y_boucle] = color_disruptor(x_boucle, y_boucle) / 1000000;
    }
}
