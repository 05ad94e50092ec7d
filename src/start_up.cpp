// start_up.cpp -- library and display start-up, images, texture, the 20 ms tick and the far plane
#include <cerrno>           // Required for: errno, handed to install_allegro
#include <cmath>            // Required for: log, exp
#include <cstdarg>
#include <cstdio>
#include <cstdlib>          // Required for: atexit, exit
#include <string>

#include "bmp_check.h"
#include "trackview.h"

BITMAP          *race      = nullptr;
BITMAP          *texture_1 = nullptr;
GLuint           tex       = 0;
float            position[6];
std::atomic<int> dring{0};

static const char HEIGHTMAP_PATH[] = "./Maps/race.bmp";
static const char TEXTURE_PATH[]   = "./Textures/texture_1.bmp";

// Show what stopped the start-up and leave
// NOTE: Allegro's exit handler, registered by install_allegro, closes the window on the way out
void fatal_error(const char *format, ...)
{
    char    text[1024];
    va_list args;

    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    // the line feed ends the line when Allegro has no message box and prints to stdout
    allegro_message("%s\n", text);
    exit(1);
}

bool far_plane_sum_fits(int w, int h)
{
    const long long sum = (long long)w * w + (long long)h * h + 65025;

    return sum <= 2147483647LL;
}

// Load one of the two start-up images, or stop with a message naming the file
// NOTE: the file is checked before Allegro's loader sees it, which trusts whatever it reads
static BITMAP *load_start_up_image(const char *path, const bmp_limits &limits)
{
    if (!exists(path))
        fatal_error("%s: file not found", path);

    std::string reason;
    BITMAP     *image = load_checked_bmp(path, limits, &reason);

    if (!image)
        fatal_error("%s: %s", path, reason.c_str());
    return image;
}

// Bring up Allegro, AllegroGL, the keyboard and the window, set the GL state,
// load both images and make the terrain texture
int init()
{
    // Texts are single bytes in ISO 8859-1: pass them to the message box unchanged
    set_uformat(U_ASCII);

    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        const char *display = getenv("DISPLAY");

        if (allegro_error[0])
            fatal_error("Allegro could not start: %s", allegro_error);
        fatal_error("Allegro could not start: no X display could be opened (DISPLAY is %s%s%s)",
                    display ? "\"" : "not set", display ? display : "", display ? "\"" : "");
    }
    if (install_allegro_gl() != 0)
        fatal_error("AllegroGL could not start: %s", allegro_error);
    if (install_keyboard() != 0)
        fatal_error("The keyboard could not be installed: %s", allegro_error);

    allegro_gl_set(AGL_Z_DEPTH, 8);
    allegro_gl_set(AGL_COLOR_DEPTH, 16);
    allegro_gl_set(AGL_SUGGEST, AGL_COLOR_DEPTH | AGL_Z_DEPTH);
    if (set_gfx_mode(GFX_OPENGL_WINDOWED, 640, 480, 0, 0) != 0)
        fatal_error("Could not open the 640x480 OpenGL window: %s", allegro_error);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_DEPTH_TEST);

    // The heightmap's sides are bounded by the far plane of the view, the texture's by OpenGL
    race = load_start_up_image(HEIGHTMAP_PATH, bmp_limits{ 0, true });

    GLint largest = 0;

    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    texture_1 = load_start_up_image(TEXTURE_PATH, bmp_limits{ largest > 0 ? (int)largest : 0, false });
    tex = allegro_gl_make_texture_ex(0, texture_1, GL_RGB8);
    if (tex == 0) {
        fatal_error("%s: OpenGL could not make a texture of this %dx%d image", TEXTURE_PATH, texture_1->w,
                    texture_1->h);
    }
    return 1;
}

// |number| to the power exponant, through log and exp
float root(float number, float exponant)
{
    if (number < 0)
        number = -number;
    return (float)exp((double)exponant * log((double)number));
}

// Far plane of the start-up view: the diagonal of a box w wide, h deep and 255 high
float far_plane(int w, int h)
{
    return root((float)(w * w + h * h + 65025), 0.5f);
}

// Timer callback, every 20 ms on Allegro's timer thread
void horloge()
{
    dring.store(1, std::memory_order_relaxed);
}
