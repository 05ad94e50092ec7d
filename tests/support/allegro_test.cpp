// allegro_test.cpp -- Allegro without a display for unit tests
#include "allegro_test.h"

#include <cerrno>
#include <cstdlib>

static std::vector<std::string> messages;

static void capture_message(const char *text)
{
    messages.emplace_back(text);
}

std::vector<std::string> &captured_messages()
{
    return messages;
}

void start_allegro_without_display()
{
    static bool started = false;

    if (started)
        return;
    set_uformat(U_ASCII);
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        abort();
    system_driver->message = capture_message;

    // 8-bit images: entry i has red i/4 on Allegro's 6-bit scale, so reds step by about 4
    PALETTE palette;

    for (int i = 0; i < PAL_SIZE; i++) {
        palette[i].r = i / 4;
        palette[i].g = 63 - i / 4;
        palette[i].b = (i % 4) * 16;
    }
    set_palette(palette);
    started = true;
}

BITMAP *make_red_image(int depth, int w, int h, const std::vector<int> &reds, int green, int blue)
{
    start_allegro_without_display();

    BITMAP *image = create_bitmap_ex(depth, w, h);

    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            putpixel(image, x, y, makecol_depth(depth, reds[(size_t)y * w + x], green, blue));
    return image;
}

void use_heightmap(BITMAP *image)
{
    if (race)
        destroy_bitmap(race);
    free(dirmap_red);
    dirmap_red = nullptr;
    race       = image;
    alloc();
}

int height_at(int x, int y)
{
    return dirmap_red[(size_t)x * race->h + y];
}
