// bench_track.h -- the benchmarks' track: rolling hills of any size and a checked texture
#pragma once

#include "trackview.h"

// Red component of heightmap pixel (x, y): hills about 100 pixels across, 0 to 255 high.
// It depends on (x, y) alone, so every size shows the same kind of terrain.
int bench_height(int x, int y);

// A w x h heightmap image at the given colour depth whose red components are bench_height
BITMAP *make_bench_heightmap(int depth, int w, int h);

// A 256 x 256 texture image at the given colour depth: 32-pixel checks shaded left to right
BITMAP *make_bench_texture(int depth);
