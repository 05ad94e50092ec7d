// terrain_renderer.cpp -- one frame: camera step, every cell as a textured two-triangle strip, flip
#include <cstdlib>          // Required for: abs

#include "trackview.h"

// One corner of a cell: texture coordinate, then vertex
static inline void corner(int s, int t, int x, int y, int z)
{
    glTexCoord2i(s, t);
    glVertex3i(x, y, z);
}

// Draw the whole terrain and show it
// NOTE: immediate mode on purpose: every cell is sent afresh each frame, nothing is kept on the GPU
void dream_v3()
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);

    for (int y_boucle = 0; y_boucle < race->h - 1; y_boucle++) {
        for (int x_boucle = 0; x_boucle < race->w - 1; x_boucle++) {
            // Pending deltas act at the first cell only; later cells multiply by identities
            glRotatef(-position[3], 1.0f, 0.0f, 0.0f);
            glRotatef(-position[4], 0.0f, 1.0f, 0.0f);
            glRotatef(-position[5], 0.0f, 0.0f, 1.0f);
            glTranslatef(-position[0], -position[1], -position[2]);
            for (int i = 0; i < 6; i++)
                position[i] = 0.0f;

            const int  x      = x_boucle;
            const int  y      = y_boucle;
            const int *column = dirmap_red + (size_t)x * (size_t)race->h + y;   // H(x, y)
            const int *next   = column + race->h;                               // H(x + 1, y)
            const int  h00    = column[0];
            const int  h01    = column[1];
            const int  h10    = next[0];
            const int  h11    = next[1];
            const int  d1     = abs(h00 - h11);
            const int  d2     = abs(h10 - h01);

            glBegin(GL_TRIANGLE_STRIP);
            if (d1 > d2) {
                // split along P10-P01
                corner(0, 0, x,     y,     h00);
                corner(1, 0, x + 1, y,     h10);
                corner(0, 1, x,     y + 1, h01);
                corner(1, 1, x + 1, y + 1, h11);
            } else {
                // split along P00-P11, ties included
                corner(0, 1, x,     y + 1, h01);
                corner(0, 0, x,     y,     h00);
                corner(1, 1, x + 1, y + 1, h11);
                corner(1, 0, x + 1, y,     h10);
            }
            glEnd();
        }
    }

    allegro_gl_flip();
}
