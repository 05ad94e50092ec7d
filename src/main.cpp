// main.cpp -- the viewer's entry: start-up, tick, height grid, fixed view and the main loop
#include <GL/glu.h>         // Required for: gluLookAt

#include "trackview.h"

int main()
{
    init();
    if (install_int(horloge, 20) != 0)
        fatal_error("Could not start the 20 ms timer: %s", allegro_error);
    alloc();
    for (int i = 0; i < 6; i++)
        position[i] = 0.0f;

    // The view is multiplied into the modelview matrix once; the projection stays the identity
    glFrustum(-1.0, 1.0, -1.0, 1.0, 1.0, (double)far_plane(race->w, race->h));
    gluLookAt(0.0, 0.0, 0.0, (double)race->w, (double)race->h, 0.0, 0.0, 0.0, 1.0);

    while (!key[KEY_ESC]) {
        test();
        dream_v3();
    }
    return 0;
}
END_OF_MAIN()
