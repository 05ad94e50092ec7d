// make_bench_track.cpp -- writes the benchmarks' track for the viewer to start on:
// DIR/Maps/race.bmp (SIZE x SIZE hills) and DIR/Textures/texture_1.bmp, both 24-bit BMP
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench_track.h"

int main(int argc, char **argv)
{
    if (argc != 3 || atoi(argv[2]) < 1) {
        fprintf(stderr, "usage: make_bench_track DIR SIZE\n");
        return 2;
    }
    const std::string dir  = argv[1];
    const int         size = atoi(argv[2]);

    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return 1;

    const std::string maps     = dir + "/Maps";
    const std::string textures = dir + "/Textures";
    BITMAP           *map      = make_bench_heightmap(24, size, size);
    BITMAP           *texture  = make_bench_texture(24);

    if (save_bmp((maps + "/race.bmp").c_str(), map, nullptr) != 0 ||
        save_bmp((textures + "/texture_1.bmp").c_str(), texture, nullptr) != 0) {
        fprintf(stderr, "make_bench_track: cannot write into %s and %s (do they exist?)\n", maps.c_str(),
                textures.c_str());
        return 1;
    }
    return 0;
}
