// track_package.cpp -- reader of a track package's header: marker, mode bytes, first field, name
#include <new>              // Required for: std::bad_alloc
#include <string>

#include "trackview.h"

int settings[2];            // mode bytes of the last package whose header reached "mode OK"

static const int PACKAGE_MARKER    = 0x43;     // 'C', ends the preamble
static const int PACKAGE_DELIMITER = 0x2F;     // '/', ends the first field and the name field

// Report a package that stopped before its header was complete; always returns 1
// NOTE: pack_getc gives EOF both at the end of the file and on a read error (a directory, say)
static int stopped_short(const char *filename, PACKFILE *package_file, const char *where)
{
    if (pack_ferror(package_file))
        allegro_message("track package \"%s\" could not be read: read error %s", filename, where);
    else
        allegro_message("track package \"%s\" ended early: end of file %s", filename, where);
    return 1;
}

// Read the header of an open package, showing each step; 0 once the name delimiter is read
static int read_header(const char *filename, PACKFILE *package_file)
{
    int         load_inf = 0;          // the last byte read
    long long   posi     = 0;          // name bytes stored so far
    std::string bmp_file = "0";        // the name field, written over the '0' from index 0

    allegro_message("d\xE9" "but");

    // preamble: anything up to the marker, no message
    while (load_inf != PACKAGE_MARKER) {
        load_inf = pack_getc(package_file);
        if (load_inf == EOF)
            return stopped_short(filename, package_file, "before the marker C");
    }
    allegro_message("lecture");

    // mode bytes: any two values; settings changes only when both are there
    const int mode_0 = pack_getc(package_file);
    const int mode_1 = mode_0 == EOF ? EOF : pack_getc(package_file);

    if (mode_1 == EOF)
        return stopped_short(filename, package_file, "in the two mode bytes");
    settings[0] = mode_0;
    settings[1] = mode_1;
    allegro_message("mode OK %i %i", settings[0], settings[1]);

    // first field, its delimiter shown too; load_inf still holds the marker on entry
    while (load_inf != PACKAGE_DELIMITER) {
        load_inf = pack_getc(package_file);
        if (load_inf == EOF)
            return stopped_short(filename, package_file, "in the first field, before its delimiter /");
        allegro_message("%i", load_inf);
    }

    load_inf = pack_getc(package_file);
    allegro_message("ok");

    // name field: any length, kept whole
    while (load_inf != PACKAGE_DELIMITER) {
        if (load_inf == EOF)
            return stopped_short(filename, package_file, "in the name field, before its delimiter /");
        try {
            if (posi < (long long)bmp_file.size())
                bmp_file[posi] = (char)load_inf;
            else
                bmp_file.push_back((char)load_inf);
        } catch (const std::bad_alloc &) {
            allegro_message("track package \"%s\": not enough memory for a name field of over %lli bytes",
                            filename, posi);
            return 1;
        }
        posi++;
        allegro_message("posi %lli", posi);
        load_inf = pack_getc(package_file);
    }

    // shown up to its first zero byte, as any C text
    allegro_message("%s", bmp_file.c_str());
    return 0;
}

// Read a package's header, showing each step; 0 after a complete read, 1 on failure
// NOTE: the two output files are created (or emptied) first and left empty; all three files
// are closed before the return
int unpack(char *filename)
{
    PACKFILE *circuit      = pack_fopen("./unpack/race.bmp", "w");
    PACKFILE *texture_pack = pack_fopen("./unpack/texture.bmp", "w");
    PACKFILE *package_file = pack_fopen(filename, "r");
    int       result       = 1;

    if (package_file) {
        result = read_header(filename, package_file);
        pack_fclose(package_file);
    } else {
        allegro_message("loading error \n file : \"%s\" not found", filename);
    }

    // opening them is what empties them; a missing unpack folder is no concern of the reader
    if (circuit)
        pack_fclose(circuit);
    if (texture_pack)
        pack_fclose(texture_pack);
    return result;
}
