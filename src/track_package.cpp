// track_package.cpp -- reader of a track package's header: marker, mode bytes, first field, name
#include <climits>          // Required for: INT_MAX
#include <new>              // Required for: std::bad_alloc
#include <string>

#include "trackview.h"

int settings[2];

static const int PACKAGE_MARKER    = 0x43;     // 'C', ends the preamble
static const int PACKAGE_DELIMITER = 0x2F;     // '/', ends the first field and the name field

// Close whichever of the reader's files are open
static void close_package_files(PACKFILE *circuit, PACKFILE *texture_pack, PACKFILE *package_file)
{
    if (circuit)
        pack_fclose(circuit);
    if (texture_pack)
        pack_fclose(texture_pack);
    if (package_file)
        pack_fclose(package_file);
}

// Read a package's header, showing each step; 0 after a complete read, 1 on failure
// NOTE: the two output files are created (or emptied) first and left empty
int unpack(char *filename)
{
    int         load_inf     = 0;
    int         posi         = 0;
    std::string bmp_file     = "0";
    PACKFILE   *circuit      = pack_fopen("./unpack/race.bmp", "w");
    PACKFILE   *texture_pack = pack_fopen("./unpack/texture.bmp", "w");
    PACKFILE   *package_file = pack_fopen(filename, "r");

    if (!package_file) {
        allegro_message("loading error \n file : \"%s\" not found", filename);
        close_package_files(circuit, texture_pack, package_file);
        return 1;
    }

    const char *ended_in = nullptr;    // the part in which the file ran out, if it did

    allegro_message("d\xE9" "but");

    while (load_inf != PACKAGE_MARKER && load_inf != EOF)
        load_inf = pack_getc(package_file);
    if (load_inf == EOF) {
        ended_in = "before the marker C";
        goto ended_early;
    }
    allegro_message("lecture");

    for (int i = 0; i < 2; i++) {
        const int mode = pack_getc(package_file);

        if (mode == EOF) {
            ended_in = "in the two mode bytes";
            goto ended_early;
        }
        settings[i] = mode;
    }
    allegro_message("mode OK %i %i", settings[0], settings[1]);

    while (load_inf != PACKAGE_DELIMITER) {
        load_inf = pack_getc(package_file);
        if (load_inf == EOF) {
            ended_in = "in the first field, before its delimiter /";
            goto ended_early;
        }
        allegro_message("%i", load_inf);
    }

    load_inf = pack_getc(package_file);
    allegro_message("ok");

    try {
        while (load_inf != PACKAGE_DELIMITER) {
            if (load_inf == EOF) {
                ended_in = "in the name field, before its delimiter /";
                goto ended_early;
            }
            if (posi == INT_MAX)
                throw std::bad_alloc();
            if (posi < (int)bmp_file.size())
                bmp_file[posi] = (char)load_inf;
            else
                bmp_file.push_back((char)load_inf);
            posi++;
            allegro_message("posi %i", posi);
            load_inf = pack_getc(package_file);
        }
    } catch (const std::bad_alloc &) {
        allegro_message("track package \"%s\": not enough memory for a name field of over %i bytes",
                        filename, posi);
        close_package_files(circuit, texture_pack, package_file);
        return 1;
    }

    allegro_message("%s", bmp_file.c_str());
    close_package_files(circuit, texture_pack, package_file);
    return 0;

ended_early:
    allegro_message("track package \"%s\" ends early: the file stops %s", filename, ended_in);
    close_package_files(circuit, texture_pack, package_file);
    return 1;
}
