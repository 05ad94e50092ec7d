// make_track.cpp -- writes the bundled track: heightmap, terrain texture, application icon
//
// Usage: make_track ROOT
// Writes ROOT/Maps/race.bmp, ROOT/Textures/texture_1.bmp, ROOT/res/trackview.ico and
// ROOT/res/trackview.rc. Every byte follows from the code below: no clock, no libc rand,
// no input file, so two runs give identical files.
#include <algorithm>        // Required for: min, max
#include <cerrno>           // Required for: errno, handed to install_allegro
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>          // Required for: atexit
#include <filesystem>       // Required for: create_directories
#include <string>
#include <vector>

#include <allegro.h>

// NOTE: every cell costs the viewer 14 GL calls per frame; 96 x 96 keeps it above 30 frames/s
// under software OpenGL, where 128 x 128 falls below that when the machine is busy
static const int    MAP_SIZE      = 96;     // heightmap side, grid points
static const double DESIGN_SCALE  = (MAP_SIZE - 1) / 127.0;   // the shapes below are drawn on 128 x 128
static const int    TEXTURE_SIZE  = 64;     // texture side, texels (a power of two)
static const int    ICON_SIZE     = 32;     // icon side, pixels
static const int    LOOP_SAMPLES  = 2048;   // points along the circuit's centre line
static const double PI            = 3.14159265358979323846;

// Circuit and terrain shape, in units of the 128 x 128 design grid; the whole shape,
// heights included, is scaled by DESIGN_SCALE: a uniform scale leaves the view from (0, 0, 0) unchanged
static const double ROAD_HALF     = 3.5;    // half the width of the road bed
static const double VERGE         = 2.0;    // width of the bank from road bed to hillside
static const double ROAD_SINK     = 5.0;    // road bed below the smoothed hills
static const double BOWL_RISE     = 0.82;   // height / depth far from the corner: the skyline
static const double BOWL_REACH    = 62.0;   // depth at which the valley floor turns into slope
static const double CORNER_CLEAR  = 14.0;   // depth below which the hills fade out

// Texture look
static const int    RIM_WIDTH     = 6;      // texels over which the cell border darkens
static const double RIM_DARK      = 0.5;    // brightness at the very edge of a cell

// ---------------------------------------------------------------------------
// Deterministic noise

// 32-bit integer hash (a multiply-xorshift mix): the only source of randomness
static uint32_t hash32(uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

// Hash of a lattice point and a seed, as a number in [0, 1)
static double lattice(int x, int y, uint32_t seed)
{
    const uint32_t h = hash32((uint32_t)x * 0x9e3779b1U ^ hash32((uint32_t)y + seed * 0x85ebca77U));

    return (double)(h >> 8) / 16777216.0;
}

static double smooth01(double t)
{
    return t * t * (3.0 - 2.0 * t);
}

static double smoothstep(double edge0, double edge1, double v)
{
    if (v <= edge0)
        return 0.0;
    if (v >= edge1)
        return 1.0;
    return smooth01((v - edge0) / (edge1 - edge0));
}

// Value noise on a lattice of the given cell size that repeats every period texels
// NOTE: period must be a multiple of cell; the texture uses this to tile without a seam
static double tiled_noise(int x, int y, int cell, int period, uint32_t seed)
{
    const int    cells = period / cell;
    const int    gx    = x / cell;
    const int    gy    = y / cell;
    const double fx    = smooth01((double)(x % cell) / cell);
    const double fy    = smooth01((double)(y % cell) / cell);
    const double v00   = lattice(gx % cells, gy % cells, seed);
    const double v10   = lattice((gx + 1) % cells, gy % cells, seed);
    const double v01   = lattice(gx % cells, (gy + 1) % cells, seed);
    const double v11   = lattice((gx + 1) % cells, (gy + 1) % cells, seed);
    const double top   = v00 + (v10 - v00) * fx;
    const double bot   = v01 + (v11 - v01) * fx;

    return top + (bot - top) * fy;
}

// ---------------------------------------------------------------------------
// Heightmap

// The circuit's corners, as (depth, side) seen from grid point (0, 0): depth along the
// diagonal, side to the right (+x, -y); the centre line is a closed spline through them
static const double CORNERS[][2] = {
    { 36, -20 }, { 36,   0 }, { 36,  20 },             // main straight, across the view
    { 42,  33 }, { 56,  40 }, { 72,  38 },             // right-hand sweep
    { 84,  28 }, { 80,  14 }, { 72,   6 },             // far hairpin
    { 78,  -6 }, { 90, -16 },                          // esses
    { 86, -32 }, { 70, -38 }, { 52, -36 }, { 40, -31 }, // long left-hander back to the straight
};
static const int CORNER_COUNT = (int)(sizeof(CORNERS) / sizeof(CORNERS[0]));

// Centre line of the circuit at u in [0, 1): a closed Catmull-Rom spline through CORNERS
static void centre_line(double u, double *x, double *y)
{
    const double span  = u * CORNER_COUNT;
    const int    i     = (int)span;
    const double t     = span - i;
    const double t2    = t * t;
    const double t3    = t2 * t;
    double       depth = 0.0, side = 0.0;

    for (int axis = 0; axis < 2; axis++) {
        const double p0 = CORNERS[(i + CORNER_COUNT - 1) % CORNER_COUNT][axis];
        const double p1 = CORNERS[i % CORNER_COUNT][axis];
        const double p2 = CORNERS[(i + 1) % CORNER_COUNT][axis];
        const double p3 = CORNERS[(i + 2) % CORNER_COUNT][axis];
        const double v  = 0.5 * (2.0 * p1 + (p2 - p0) * t + (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3) * t2
                                 + (3.0 * p1 - p0 - 3.0 * p2 + p3) * t3);

        (axis == 0 ? depth : side) = v;
    }
    *x = (depth + side) * 0.70710678118654752440;
    *y = (depth - side) * 0.70710678118654752440;
}

// Distance from grid point (0, 0) along the start-up viewing direction (the diagonal)
static double view_depth(double x, double y)
{
    return (x + y) * 0.70710678118654752440;
}

// The large landform: a valley floor at the near corner, rising to a rim of hills
// NOTE: height / depth grows with depth, so seen from the eye at (0, 0, 0) every part of
// the landform rises above the part in front of it and faces the eye
static double bowl(double x, double y)
{
    const double depth = view_depth(x, y);
    const double reach = depth / BOWL_REACH;

    return depth * BOWL_RISE * (1.0 - exp(-reach * reach * reach));
}

// Rolling hills laid on the bowl, fading out towards the near corner
static double hills(double x, double y)
{
    const double fade = smoothstep(CORNER_CLEAR, 3.0 * CORNER_CLEAR, view_depth(x, y));
    const double wave = 5.0 * sin(0.110 * x + 0.070 * y + 0.4)
                      + 3.9 * sin(-0.060 * x + 0.130 * y + 1.9)
                      + 2.8 * sin(0.170 * x - 0.110 * y + 4.2)
                      + 1.7 * sin(0.230 * x + 0.210 * y + 2.7);

    return fade * (8.4 + wave);
}

// Heights of every grid point, row by row (index y * MAP_SIZE + x), 0 to 255
static std::vector<int> build_heightmap()
{
    std::vector<double> line_x(LOOP_SAMPLES), line_y(LOOP_SAMPLES), line_hills(LOOP_SAMPLES);

    for (int i = 0; i < LOOP_SAMPLES; i++) {
        centre_line((double)i / LOOP_SAMPLES, &line_x[i], &line_y[i]);
        line_hills[i] = hills(line_x[i], line_y[i]);
    }

    // The road bed follows the hills only gently: two passes of a moving average around the loop
    const int window = LOOP_SAMPLES / 24;

    for (int pass = 0; pass < 2; pass++) {
        std::vector<double> smoothed(LOOP_SAMPLES);

        for (int i = 0; i < LOOP_SAMPLES; i++) {
            double sum = 0.0;

            for (int k = -window; k <= window; k++)
                sum += line_hills[(i + k + LOOP_SAMPLES) % LOOP_SAMPLES];
            smoothed[i] = sum / (2 * window + 1);
        }
        line_hills = smoothed;
    }

    std::vector<int> heights((size_t)MAP_SIZE * MAP_SIZE);

    for (int y = 0; y < MAP_SIZE; y++) {
        for (int x = 0; x < MAP_SIZE; x++) {
            const double gx      = x / DESIGN_SCALE;
            const double gy      = y / DESIGN_SCALE;
            double       nearest = 1e30;
            int          at      = 0;

            for (int i = 0; i < LOOP_SAMPLES; i++) {
                const double dx = line_x[i] - gx;
                const double dy = line_y[i] - gy;
                const double d2 = dx * dx + dy * dy;

                if (d2 < nearest) {
                    nearest = d2;
                    at      = i;
                }
            }

            // Across its width the road bed lies on the landform without the hills' bumps,
            // sunk into a cutting; the banks blend it into the hillside
            const double road    = line_hills[at] - ROAD_SINK;
            const double blend   = 1.0 - smoothstep(ROAD_HALF, ROAD_HALF + VERGE, sqrt(nearest));
            const double surface = bowl(gx, gy) + road * blend + hills(gx, gy) * (1.0 - blend);
            const long   level   = lround(surface * DESIGN_SCALE);

            heights[(size_t)y * MAP_SIZE + x] = (int)(level < 0 ? 0 : level > 255 ? 255 : level);
        }
    }
    return heights;
}

// ---------------------------------------------------------------------------
// Texture

// Grass texel colour: two scales of tiling noise, fine grain, and a darker rim at the cell edge
static void grass_texel(int x, int y, int *r, int *g, int *b)
{
    const double patches = tiled_noise(x, y, 16, TEXTURE_SIZE, 11);
    const double tufts   = tiled_noise(x, y, 4, TEXTURE_SIZE, 23);
    const double grain   = lattice(x, y, 37);
    const int    edge    = std::min(std::min(x, TEXTURE_SIZE - 1 - x), std::min(y, TEXTURE_SIZE - 1 - y));
    const double rim     = edge < RIM_WIDTH ? RIM_DARK + (1.0 - RIM_DARK) * edge / RIM_WIDTH : 1.0;
    const double light   = (0.90 + 0.05 * patches + 0.04 * tufts + 0.03 * grain) * rim;

    *r = (int)lround(std::min(255.0, (62.0 + 30.0 * patches) * light));
    *g = (int)lround(std::min(255.0, 150.0 * light));
    *b = (int)lround(std::min(255.0, (44.0 + 14.0 * grain) * light));
}

// ---------------------------------------------------------------------------
// Files

// Save a 24-bit image as BMP; returns false with a message when it cannot be written
static bool save_image(BITMAP *image, const std::string &path)
{
    if (save_bmp(path.c_str(), image, nullptr) != 0) {
        fprintf(stderr, "make_track: %s: could not write the BMP file\n", path.c_str());
        return false;
    }
    return true;
}

static bool write_heightmap(const std::string &path)
{
    const std::vector<int> heights = build_heightmap();
    BITMAP                *image   = create_bitmap_ex(24, MAP_SIZE, MAP_SIZE);

    for (int y = 0; y < MAP_SIZE; y++) {
        for (int x = 0; x < MAP_SIZE; x++) {
            const int v = heights[(size_t)y * MAP_SIZE + x];

            putpixel(image, x, y, makecol24(v, v, v));
        }
    }

    const bool saved = save_image(image, path);

    destroy_bitmap(image);
    return saved;
}

static bool write_texture(const std::string &path)
{
    BITMAP *image = create_bitmap_ex(24, TEXTURE_SIZE, TEXTURE_SIZE);

    for (int y = 0; y < TEXTURE_SIZE; y++) {
        for (int x = 0; x < TEXTURE_SIZE; x++) {
            int r = 0, g = 0, b = 0;

            grass_texel(x, y, &r, &g, &b);
            putpixel(image, x, y, makecol24(r, g, b));
        }
    }

    const bool saved = save_image(image, path);

    destroy_bitmap(image);
    return saved;
}

// Icon palette: the colours the picture uses, then a grey ramp to fill all 256 entries
enum { ICON_CLEAR, ICON_GRASS, ICON_GRASS_DARK, ICON_ROAD, ICON_LINE, ICON_KERB,
       ICON_BLACK, ICON_POLE, ICON_USED };

static const unsigned char ICON_COLOURS[ICON_USED][3] = {   // r, g, b
    {   0,   0,   0 }, {  76, 160,  60 }, {  62, 138,  50 }, {  88,  88,  96 },
    { 250, 250, 250 }, { 220,  40,  40 }, {  16,  16,  16 }, { 150, 110,  70 },
};

// Palette index of icon pixel (x, y), row 0 at the top: a circuit on grass and a chequered flag
static int icon_pixel(int x, int y)
{
    const double px = x + 0.5 - 16.0;
    const double py = y + 0.5 - 16.0;

    // a tile with rounded corners; outside it the icon is transparent
    const double qx = std::max(fabs(px) - 10.5, 0.0);
    const double qy = std::max(fabs(py) - 10.5, 0.0);

    if (qx * qx + qy * qy > 5.5 * 5.5)
        return ICON_CLEAR;

    // the flag on its pole, in the infield
    if (x >= 17 && x <= 26 && y >= 4 && y <= 11)
        return ((x - 17) / 2 + (y - 4) / 2) % 2 ? ICON_BLACK : ICON_LINE;
    if (x == 16 && y >= 4 && y <= 20)
        return ICON_POLE;

    // the circuit: an oval road with a dashed centre line and red and white kerbs outside
    const double cy     = py - 2.0;
    const double ring   = sqrt(px * px / (11.5 * 11.5) + cy * cy / (8.0 * 8.0)) - 1.0;
    const double around = atan2(cy, px) + PI;

    if (fabs(ring) < 0.035)
        return (int)floor(around * 3.0) % 2 ? ICON_LINE : ICON_ROAD;
    if (fabs(ring) < 0.17)
        return ICON_ROAD;
    if (ring >= 0.17 && ring < 0.26)
        return (int)floor(around * 6.0) % 2 ? ICON_KERB : ICON_LINE;

    // mown stripes
    return (x + y) / 4 % 2 ? ICON_GRASS : ICON_GRASS_DARK;
}

// One 32 x 32, 8-bit icon: ICO directory, BITMAPINFOHEADER, palette, pixels, AND mask
static bool write_icon(const std::string &path)
{
    const int palette_bytes = 256 * 4;
    const int pixel_bytes   = ICON_SIZE * ICON_SIZE;
    const int mask_stride   = ((ICON_SIZE + 31) / 32) * 4;
    const int mask_bytes    = mask_stride * ICON_SIZE;
    const int image_bytes   = 40 + palette_bytes + pixel_bytes + mask_bytes;
    PACKFILE *file          = pack_fopen(path.c_str(), F_WRITE);

    if (!file) {
        fprintf(stderr, "make_track: %s: could not create the icon file\n", path.c_str());
        return false;
    }

    // ICONDIR, then its one ICONDIRENTRY
    pack_iputw(0, file);                        // reserved
    pack_iputw(1, file);                        // type: icon
    pack_iputw(1, file);                        // one image
    pack_putc(ICON_SIZE, file);                 // width
    pack_putc(ICON_SIZE, file);                 // height
    pack_putc(0, file);                         // colour count: 0 means 256
    pack_putc(0, file);                         // reserved
    pack_iputw(1, file);                        // planes
    pack_iputw(8, file);                        // bits per pixel
    pack_iputl(image_bytes, file);
    pack_iputl(6 + 16, file);                   // offset of the image

    // BITMAPINFOHEADER: the height counts the colour rows and the mask rows
    pack_iputl(40, file);
    pack_iputl(ICON_SIZE, file);
    pack_iputl(ICON_SIZE * 2, file);
    pack_iputw(1, file);                        // planes
    pack_iputw(8, file);                        // bits per pixel
    pack_iputl(0, file);                        // BI_RGB
    pack_iputl(pixel_bytes + mask_bytes, file);
    pack_iputl(0, file);                        // pixels per metre, x and y
    pack_iputl(0, file);
    pack_iputl(256, file);                      // colours used
    pack_iputl(0, file);                        // colours important: all

    // palette, as blue, green, red, 0
    for (int i = 0; i < 256; i++) {
        const int grey = (i - ICON_USED) * 255 / (255 - ICON_USED);
        const int r    = i < ICON_USED ? ICON_COLOURS[i][0] : grey;
        const int g    = i < ICON_USED ? ICON_COLOURS[i][1] : grey;
        const int b    = i < ICON_USED ? ICON_COLOURS[i][2] : grey;

        pack_putc(b, file);
        pack_putc(g, file);
        pack_putc(r, file);
        pack_putc(0, file);
    }

    // colour rows, bottom row first
    for (int y = ICON_SIZE - 1; y >= 0; y--)
        for (int x = 0; x < ICON_SIZE; x++)
            pack_putc(icon_pixel(x, y), file);

    // AND mask, bottom row first: a set bit leaves the screen showing through
    for (int y = ICON_SIZE - 1; y >= 0; y--) {
        for (int byte = 0; byte < mask_stride; byte++) {
            int bits = 0;

            for (int bit = 0; bit < 8; bit++) {
                const int x = byte * 8 + bit;

                if (x < ICON_SIZE && icon_pixel(x, y) == ICON_CLEAR)
                    bits |= 0x80 >> bit;
            }
            pack_putc(bits, file);
        }
    }

    const bool failed = pack_ferror(file) != 0;

    pack_fclose(file);
    if (failed)
        fprintf(stderr, "make_track: %s: could not write the icon file\n", path.c_str());
    return !failed;
}

static bool write_resource_script(const std::string &path)
{
    FILE *file = fopen(path.c_str(), "wb");

    if (!file) {
        fprintf(stderr, "make_track: %s: could not create the resource script\n", path.c_str());
        return false;
    }
    fputs("// trackview.rc -- the application icon, icon group \"A\"\n", file);
    fputs("A ICON \"trackview.ico\"\n", file);

    const bool failed = ferror(file) != 0;

    if (fclose(file) != 0 || failed) {
        fprintf(stderr, "make_track: %s: could not write the resource script\n", path.c_str());
        return false;
    }
    return true;
}

int main(int argc, char **argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_track ROOT\n"
                        "writes ROOT/Maps/race.bmp, ROOT/Textures/texture_1.bmp, "
                        "ROOT/res/trackview.ico and ROOT/res/trackview.rc\n");
        return 2;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0) {
        fprintf(stderr, "make_track: Allegro could not start: %s\n", allegro_error);
        return 1;
    }

    const std::filesystem::path root(argv[1]);

    for (const char *folder : { "Maps", "Textures", "res" }) {
        std::error_code error;

        std::filesystem::create_directories(root / folder, error);
        if (error) {
            fprintf(stderr, "make_track: %s: %s\n", (root / folder).string().c_str(), error.message().c_str());
            return 1;
        }
    }

    const bool written = write_heightmap((root / "Maps" / "race.bmp").string())
                      && write_texture((root / "Textures" / "texture_1.bmp").string())
                      && write_icon((root / "res" / "trackview.ico").string())
                      && write_resource_script((root / "res" / "trackview.rc").string());

    return written ? 0 : 1;
}
