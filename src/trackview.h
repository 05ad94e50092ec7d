// trackview.h -- globals and functions shared by the viewer's subsystems
#pragma once

#include <atomic>

#include <allegro.h>
#include <alleggl.h>        // Required for: GLuint, and GL/gl.h for every user of this header

// Start-up and main loop (start_up.cpp)
extern BITMAP          *race;          // heightmap: red channel = height, one grid point per pixel
extern BITMAP          *texture_1;     // terrain texture image
extern GLuint           tex;           // OpenGL texture made from texture_1
extern float            position[6];   // pending camera deltas: [0..2] move x y z, [3..5] turn about x y z
extern std::atomic<int> dring;         // tick flag: 1 when a 20 ms tick is pending

int   init();
float root(float number, float exponant);
void  horloge();
float far_plane(int w, int h);         // far plane of the start-up view for a w x h heightmap

// Height grid (height_grid.cpp)
extern int *dirmap_red;                // w*h heights, column by column: H(x, y) = dirmap_red[x*h + y]

int  color_disruptor(int x_disruptor, int y_disruptor);
void alloc();

// Terrain renderer (terrain_renderer.cpp)
void dream_v3();

// Keyboard camera control (camera_input.cpp)
void test();

// Track package reader (track_package.cpp)
extern int settings[2];                // the two mode bytes of the last package read

int unpack(char *filename);

// Start-up failures (start_up.cpp)
// NOTE: shows one message through allegro_message, then exits the process with status 1
[[noreturn]] void fatal_error(const char *format, ...);

// Largest heightmap the view can take: w*w + h*h + 255*255 must fit in a signed 32-bit int
bool far_plane_sum_fits(int w, int h);
