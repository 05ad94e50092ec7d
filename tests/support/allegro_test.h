// allegro_test.h -- Allegro without a display for unit tests: captured messages and test images
#pragma once

#include <string>
#include <vector>

#include "trackview.h"

// Start Allegro once per process with no system driver and ISO 8859-1 text passed through;
// from then on every allegro_message is captured instead of printed
void start_allegro_without_display();

// Texts shown through allegro_message since the last clear, fully formatted
std::vector<std::string> &captured_messages();

// An image of the given colour depth, w x h, whose pixel (x, y) has red reds[y*w + x]
// and the given green and blue; 8-bit images use a palette of 64 reds (see .cpp)
BITMAP *make_red_image(int depth, int w, int h, const std::vector<int> &reds, int green = 0, int blue = 0);

// Replace race with image (freeing the previous one) and build the height grid from it
void use_heightmap(BITMAP *image);

// H(x, y) of the current grid
int height_at(int x, int y);
