// test_terrain_renderer.cpp -- the frame as OpenGL really receives it, read back through feedback
// mode: which diagonal splits each cell, corner texture coordinates, cell order and winding,
// and the camera step applied once and cleared. Needs an X display (run under Xvfb).
#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <vector>

#include <gtest/gtest.h>

#include "allegro_test.h"

namespace {

struct vertex {
    int x, y, z;    // grid point
    int s, t;       // texture coordinate
};

using triangle = std::array<vertex, 3>;

const int   DEPTH_RANGE = 300;      // feedback ortho volume: z in [-300, 300]
const float EPSILON     = 0.01f;

// Orthographic modelview that maps the grid into the window, so feedback coordinates
// can be turned back into grid coordinates
void load_grid_ortho(int w, int h)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glOrtho(-1.0, w, -1.0, h, -DEPTH_RANGE, DEPTH_RANGE);
}

// Draw one frame with dream_v3 in feedback mode and return its triangles in the order drawn
std::vector<triangle> draw_frame_in_feedback()
{
    const int w = race->w, h = race->h;
    std::vector<GLfloat> buffer(1 << 20);

    glFeedbackBuffer((GLsizei)buffer.size(), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    dream_v3();
    const GLint used = glRenderMode(GL_RENDER);

    EXPECT_GE(used, 0) << "feedback buffer overflow";

    std::vector<triangle> triangles;
    const int             per_vertex = 3 + 4 + 4;     // window x y z, RGBA, s t r q

    for (GLint i = 0; i < used;) {
        const int token = (int)buffer[i++];

        if (token != GL_POLYGON_TOKEN) {
            ADD_FAILURE() << "unexpected feedback token " << token;
            break;
        }
        const int count = (int)buffer[i++];

        EXPECT_EQ(count, 3);
        triangle tri{};
        for (int k = 0; k < count; k++, i += per_vertex) {
            const GLfloat *v = &buffer[i];
            if (k >= 3)
                continue;
            tri[k].x = (int)std::lround(v[0] / 640.0 * (w + 1) - 1.0);
            tri[k].y = (int)std::lround(v[1] / 480.0 * (h + 1) - 1.0);
            tri[k].z = (int)std::lround(-(2.0 * v[2] - 1.0) * DEPTH_RANGE);
            tri[k].s = (int)std::lround(v[7]);
            tri[k].t = (int)std::lround(v[8]);
        }
        triangles.push_back(tri);
    }
    return triangles;
}

// Twice the signed area in the grid's x-y plane: positive when counter-clockwise seen from +z
int winding(const triangle &t)
{
    return (t[1].x - t[0].x) * (t[2].y - t[0].y) - (t[2].x - t[0].x) * (t[1].y - t[0].y);
}

bool same_corners(const triangle &t, std::array<std::array<int, 2>, 3> corners)
{
    std::array<std::array<int, 2>, 3> seen = { { { t[0].x, t[0].y }, { t[1].x, t[1].y }, { t[2].x, t[2].y } } };

    std::sort(seen.begin(), seen.end());
    std::sort(corners.begin(), corners.end());
    return seen == corners;
}

void load_modelview(const std::array<GLfloat, 16> &m)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(m.data());
}

std::array<GLfloat, 16> current_modelview()
{
    std::array<GLfloat, 16> m{};

    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

class TerrainRenderer : public ::testing::Test {
protected:
    // One window for the whole program, opened by whichever suite runs first
    static void SetUpTestSuite()
    {
        static bool opened = false;

        if (opened)
            return;
        opened = true;
        set_uformat(U_ASCII);
        ASSERT_EQ(install_allegro(SYSTEM_AUTODETECT, &errno, atexit), 0) << "needs an X display";
        ASSERT_EQ(install_allegro_gl(), 0);
        allegro_gl_set(AGL_Z_DEPTH, 8);
        allegro_gl_set(AGL_COLOR_DEPTH, 16);
        allegro_gl_set(AGL_SUGGEST, AGL_COLOR_DEPTH | AGL_Z_DEPTH);
        ASSERT_EQ(set_gfx_mode(GFX_OPENGL_WINDOWED, 640, 480, 0, 0), 0) << allegro_error;
        ASSERT_GE(bitmap_color_depth(screen), 24) << "run on a 24-bit screen: heights must be exact";
        glEnable(GL_TEXTURE_2D);
        glEnable(GL_DEPTH_TEST);

        BITMAP *image = create_bitmap(4, 4);

        clear_to_color(image, makecol(200, 100, 50));
        texture_1 = image;
        tex       = allegro_gl_make_texture_ex(0, texture_1, GL_RGB8);
        ASSERT_NE(tex, 0u);
    }

    // Heightmap from heights given row by row, top row first
    static void use_heights(int w, int h, const std::vector<int> &heights)
    {
        BITMAP *image = create_bitmap(w, h);

        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const int z = heights[(size_t)y * w + x];
                putpixel(image, x, y, makecol(z, z, z));
            }
        use_heightmap(image);
        for (float &p : position)
            p = 0.0f;
        load_grid_ortho(w, h);
    }
};

struct split_case {
    const char *name;
    int         p00, p10, p01, p11;
    bool        along_p00_p11;
};

std::ostream &operator<<(std::ostream &out, const split_case &c)
{
    return out << c.name;
}

class DiagonalChoice : public TerrainRenderer, public ::testing::WithParamInterface<split_case> {};

TEST_P(DiagonalChoice, SplitsAlongTheFlatterDiagonalWithEveryCornersTextureCoordinate)
{
    const split_case c = GetParam();

    use_heights(2, 2, { c.p00, c.p10, c.p01, c.p11 });
    const std::vector<triangle> tris = draw_frame_in_feedback();

    ASSERT_EQ(tris.size(), 2u);
    if (c.along_p00_p11) {
        EXPECT_TRUE(same_corners(tris[0], { { { 0, 1 }, { 0, 0 }, { 1, 1 } } }));
        EXPECT_TRUE(same_corners(tris[1], { { { 1, 1 }, { 0, 0 }, { 1, 0 } } }));
    } else {
        EXPECT_TRUE(same_corners(tris[0], { { { 0, 0 }, { 1, 0 }, { 0, 1 } } }));
        EXPECT_TRUE(same_corners(tris[1], { { { 0, 1 }, { 1, 0 }, { 1, 1 } } }));
    }
    const int heights[2][2] = { { c.p00, c.p01 }, { c.p10, c.p11 } };

    for (const triangle &t : tris) {
        EXPECT_GT(winding(t), 0) << "triangles wind counter-clockwise seen from above";
        for (const vertex &v : t) {
            EXPECT_EQ(v.z, heights[v.x][v.y]) << "height of corner (" << v.x << ", " << v.y << ")";
            EXPECT_EQ(v.s, v.x) << "s of corner (" << v.x << ", " << v.y << ")";
            EXPECT_EQ(v.t, v.y) << "t of corner (" << v.x << ", " << v.y << ")";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, DiagonalChoice, ::testing::Values(
    split_case{ "flat",                 30, 30, 30, 30, true },
    split_case{ "tie_of_seven",         0,  7,  14, 7,  true },
    split_case{ "steep_p00_p11",        0,  20, 20, 50, false },
    split_case{ "steep_p10_p01",        10, 0,  30, 10, true },
    split_case{ "p00_high",             40, 10, 15, 0,  false },
    split_case{ "p11_high",             0,  10, 15, 40, false },
    split_case{ "one_more_than_a_tie",  0,  5,  5,  1,  false }),
    [](const ::testing::TestParamInfo<split_case> &info) { return std::string(info.param.name); });

TEST_F(TerrainRenderer, DrawsEveryCellRowByRow)
{
    // 4 x 3 points: 3 x 2 cells, heights all different
    use_heights(4, 3, { 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12 });
    const std::vector<triangle> tris = draw_frame_in_feedback();

    ASSERT_EQ(tris.size(), 12u);
    int cell = 0;
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++, cell++)
            for (int k = 0; k < 2; k++)
                for (const vertex &v : tris[cell * 2 + k]) {
                    EXPECT_TRUE(v.x == x || v.x == x + 1) << "cell " << cell;
                    EXPECT_TRUE(v.y == y || v.y == y + 1) << "cell " << cell;
                    EXPECT_EQ(v.z, v.y * 4 + v.x + 1);
                }
}

TEST_F(TerrainRenderer, MapsWithoutCellsDrawNothingAndKeepTheDeltas)
{
    for (const std::array<int, 2> size : { std::array<int, 2>{ 1, 5 }, std::array<int, 2>{ 5, 1 } }) {
        use_heights(size[0], size[1], std::vector<int>(5, 100));
        position[5] = 3.0f;
        const std::array<GLfloat, 16> before = current_modelview();

        EXPECT_TRUE(draw_frame_in_feedback().empty());
        EXPECT_EQ(position[5], 3.0f);
        EXPECT_EQ(current_modelview(), before);
    }
}

TEST_F(TerrainRenderer, BindsTheTextureWithLinearFilters)
{
    use_heights(2, 2, { 0, 0, 0, 0 });
    glBindTexture(GL_TEXTURE_2D, 0);
    while (glGetError() != GL_NO_ERROR)
        ;
    dream_v3();

    GLint bound = 0, min_filter = 0, mag_filter = 0;

    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag_filter);
    EXPECT_EQ((GLuint)bound, tex);
    EXPECT_EQ(min_filter, GL_LINEAR);
    EXPECT_EQ(mag_filter, GL_LINEAR);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << "a frame makes no request that OpenGL refuses";
}

// Where the eye stands in grid coordinates: the point the modelview sends to the origin
std::array<double, 3> eye_of(const std::array<GLfloat, 16> &m)
{
    // m is column-major [R | t]; for a rigid motion the eye is -R^T t
    std::array<double, 3> eye{};

    for (int i = 0; i < 3; i++)
        eye[i] = -(m[i * 4 + 0] * m[12] + m[i * 4 + 1] * m[13] + m[i * 4 + 2] * m[14]);
    return eye;
}

TEST_F(TerrainRenderer, CameraStepIsAppliedOnceThenCleared)
{
    use_heights(3, 3, std::vector<int>(9, 0));
    load_modelview({ 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 });

    position[5] = 1.0f;
    dream_v3();
    for (float p : position)
        EXPECT_EQ(p, 0.0f);

    // the four cells applied one step of -1 degree about z between them, not four
    const std::array<GLfloat, 16> m = current_modelview();
    const double                  a = -M_PI / 180.0;

    EXPECT_NEAR(m[0], std::cos(a), EPSILON);
    EXPECT_NEAR(m[1], std::sin(a), EPSILON);
    EXPECT_NEAR(m[4], -std::sin(a), EPSILON);

    // a frame with nothing pending leaves the matrix as it is
    dream_v3();
    EXPECT_EQ(current_modelview(), m);
}

TEST_F(TerrainRenderer, ShiftsFollowTheGridAxesAndTurnsSwingAboutTheOrigin)
{
    use_heights(3, 3, std::vector<int>(9, 0));
    load_modelview({ 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 });

    position[0] = 2.0f;
    dream_v3();
    std::array<double, 3> eye = eye_of(current_modelview());
    EXPECT_NEAR(eye[0], 2.0, EPSILON);
    EXPECT_NEAR(eye[1], 0.0, EPSILON);

    position[5] = 90.0f;
    dream_v3();
    eye = eye_of(current_modelview());
    EXPECT_NEAR(eye[0], 0.0, EPSILON);
    EXPECT_NEAR(eye[1], 2.0, EPSILON);

    position[1] = 3.0f;
    dream_v3();
    eye = eye_of(current_modelview());
    EXPECT_NEAR(eye[0], 0.0, EPSILON);
    EXPECT_NEAR(eye[1], 5.0, EPSILON);
    EXPECT_NEAR(eye[2], 0.0, EPSILON);
}

TEST_F(TerrainRenderer, RotationsComeInTheOrderXThenYThenZ)
{
    use_heights(2, 2, { 0, 0, 0, 0 });
    load_modelview({ 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1 });
    position[3] = 90.0f;
    position[4] = 90.0f;
    dream_v3();
    const std::array<GLfloat, 16> got = current_modelview();

    glLoadIdentity();
    glRotatef(-90.0f, 1, 0, 0);
    glRotatef(-90.0f, 0, 1, 0);
    const std::array<GLfloat, 16> want = current_modelview();

    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(got[i], want[i], EPSILON) << "element " << i;

    glLoadIdentity();
    glRotatef(-90.0f, 0, 1, 0);
    glRotatef(-90.0f, 1, 0, 0);
    const std::array<GLfloat, 16> swapped = current_modelview();
    bool                          differs = false;

    for (int i = 0; i < 16; i++)
        differs |= std::fabs(swapped[i] - want[i]) > EPSILON;
    ASSERT_TRUE(differs) << "the two orders must give different matrices for this check to mean anything";
}

} // namespace
