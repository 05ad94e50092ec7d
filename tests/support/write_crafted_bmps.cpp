// write_crafted_bmps.cpp -- writes the crafted BMP files into a folder, with a list of what
// the viewer must say of each: manifest.txt, one line per file the viewer refuses or that
// Allegro's own loader would refuse:
//   name|refusal as the heightmap|refusal as the texture|red of pixel (0, 0)
// (refusals empty for a file that loads; "@MAX@" stands for OpenGL's largest texture side)
#include <cstdio>
#include <string>

#include "bmp_writer.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }

    const std::string folder   = argv[1];
    FILE             *manifest = fopen((folder + "/manifest.txt").c_str(), "w");

    if (!manifest) {
        perror(folder.c_str());
        return 1;
    }
    for (const crafted_bmp &c : crafted_bmps()) {
        const std::string path = folder + "/" + c.name + ".bmp";
        FILE             *f    = fopen(path.c_str(), "wb");

        if (!f || fwrite(c.file.data(), 1, c.file.size(), f) != c.file.size() || fclose(f) != 0) {
            perror(path.c_str());
            return 1;
        }
        if (!c.as_heightmap.empty() || c.variant)
            fprintf(manifest, "%s|%s|%s|%s\n", c.name.c_str(), c.as_heightmap.c_str(), c.as_texture.c_str(),
                    c.variant ? std::to_string(c.rgb[0] >> 16).c_str() : "");
    }
    return fclose(manifest) == 0 ? 0 : 1;
}
