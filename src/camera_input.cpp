// camera_input.cpp -- keys to camera deltas once per 20 ms tick, and the Enter height listing
#include "trackview.h"

// Keys in the order they are tested, each with the delta it adds to its element of position
struct camera_key {
    int   code;
    int   element;
    float change;
};

static const camera_key CAMERA_KEYS[12] = {
    { KEY_UP,        4, +1.0f },       // turn about y
    { KEY_DOWN,      4, -1.0f },
    { KEY_LEFT,      3, -1.0f },       // turn about x
    { KEY_RIGHT,     3, +1.0f },
    { KEY_PLUS_PAD,  5, +1.0f },       // turn about z
    { KEY_MINUS_PAD, 5, -1.0f },
    { KEY_R,         2, +1.0f },       // move along z
    { KEY_F,         2, -1.0f },
    { KEY_U,         1, +1.0f },       // move along y
    { KEY_J,         1, -1.0f },
    { KEY_H,         0, +1.0f },       // move along x
    { KEY_K,         0, -1.0f },
};

// One message box per grid point but the last column and row, row by row
static void list_heights()
{
    for (int i = 0; i < race->h - 1; i++)
        for (int j = 0; j < race->w - 1; j++)
            allegro_message("X: %i Y :%i \n hauteur : %i", j, i, dirmap_red[(size_t)j * race->h + i]);
}

// Sample the keys if a tick is pending; the flag is lowered last, after any listing
void test()
{
    if (dring.load(std::memory_order_relaxed) != 1)
        return;

    for (const camera_key &k : CAMERA_KEYS)
        if (key[k.code])
            position[k.element] += k.change;

    if (key[KEY_ENTER])
        list_heights();

    dring.store(0, std::memory_order_relaxed);
}
