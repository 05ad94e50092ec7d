// bench_frame.cpp -- milliseconds per frame: dream_v3 on the viewer's own 640x480 window.
// Needs an X display, and Maps/race.bmp and Textures/texture_1.bmp in the working directory
// for init; each benchmark then swaps in a generated heightmap of its own size.
#include <cstdio>
#include <cstdlib>          // Required for: getenv, free

#include <GL/glu.h>         // Required for: gluLookAt
#include <unistd.h>         // Required for: access
#include <benchmark/benchmark.h>

#include "bench_track.h"

namespace {

// Put a size x size heightmap in race, build its grid and set up the start-up view as main does
void start_view(int size)
{
    if (race)
        destroy_bitmap(race);
    free(dirmap_red);
    race = make_bench_heightmap(bitmap_color_depth(screen), size, size);
    alloc();
    for (int i = 0; i < 6; i++)
        position[i] = 0.0f;

    glLoadIdentity();
    glFrustum(-1.0, 1.0, -1.0, 1.0, 1.0, (double)far_plane(race->w, race->h));
    gluLookAt(0.0, 0.0, 0.0, (double)race->w, (double)race->h, 0.0, 0.0, 0.0, 1.0);
}

// One frame as the main loop draws it; glFinish so that the rasteriser's work is counted.
// NOTE: kept out of line so that a profiler can collect the timed frames alone
// (scripts/bench runs callgrind with --toggle-collect on it)
__attribute__((noinline)) void timed_frame()
{
    dream_v3();
    glFinish();
}

void BM_frame(benchmark::State &state)
{
    const int    size  = (int)state.range(0);
    const double cells = (double)(size - 1) * (double)(size - 1);

    start_view(size);
    // the first frame compiles llvmpipe's shaders and uploads the texture: keep it out
    dream_v3();
    glFinish();

    for (auto _ : state)
        timed_frame();
    state.SetComplexityN((int64_t)cells);
    state.counters["cells"]          = cells;
    state.counters["per_1000_cells"] =
        benchmark::Counter(cells / 1000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(BM_frame)
    ->Arg(64)->Arg(128)->Arg(256)->Arg(512)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime()
    ->Complexity(benchmark::oN);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (!getenv("DISPLAY")) {
        fprintf(stderr, "bench_frame: needs an X display (scripts/bench runs it on a private Xvfb)\n");
        return 1;
    }
    if (access("./Maps/race.bmp", R_OK) != 0 || access("./Textures/texture_1.bmp", R_OK) != 0) {
        fprintf(stderr, "bench_frame: run it in a directory holding Maps/race.bmp and Textures/texture_1.bmp\n");
        return 1;
    }

    init();
    benchmark::AddCustomContext("GL_RENDERER", (const char *)glGetString(GL_RENDERER));
    benchmark::AddCustomContext("GL_VERSION", (const char *)glGetString(GL_VERSION));
    benchmark::AddCustomContext("colour_depth", std::to_string(bitmap_color_depth(screen)));
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
