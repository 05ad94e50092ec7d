// fuzz_bmp_check.cpp -- the BMP checks on arbitrary bytes; a file they accept goes on to Allegro's
// loader through the plain copy, which must then load it whole without touching memory it
// does not own (the sanitizers watch every byte)
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bmp_check.h"

// Small enough that an accepted RLE header cannot make the loader take gigabytes
static const bmp_limits FUZZ_LIMITS = { 2048, true };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static bool started = false;

    if (!started) {
        if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
            abort();
        started = true;
    }

    // The bytes are copied so that a read one past them is caught
    const std::vector<unsigned char> file(data, data + size);
    bmp_layout                       layout;
    std::string                      reason;

    if (!bmp_check(file.data(), file.size(), FUZZ_LIMITS, &layout, &reason)) {
        if (reason.empty())
            abort();                            // every refusal says why
        return 0;
    }

    // Both display depths the viewer meets, chosen by the input
    set_color_depth(size % 2 ? 16 : 32);

    BITMAP *image = bmp_load_checked(file.data() + layout.pixel_offset, layout);

    if (!image || image->w != layout.width || image->h != layout.height) {
        fprintf(stderr, "accepted %dx%d, Allegro loaded %s\n", layout.width, layout.height,
                image ? "another size" : "nothing");
        abort();
    }
    destroy_bitmap(image);
    return 0;
}
