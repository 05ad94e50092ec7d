// bench_height_grid.cpp -- the grid build (alloc) beside a plain pass over the image, and the
// orders in which alloc could visit the points. No display: images made under SYSTEM_NONE.
//
// Each build takes its grid from malloc as alloc does. "pages:0" gives it fresh pages, as the
// viewer's one grid gets at start-up, so the page faults are counted; "pages:1" hands it the
// block freed by the build before, faulted in already, so only the visit itself is timed.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>          // Required for: malloc, free, atexit
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <benchmark/benchmark.h>
#include <malloc.h>         // Required for: mallopt, malloc_trim

#include "bench_track.h"

namespace {

// The heightmap of one depth and size, made once and kept for every benchmark that needs it
BITMAP *heightmap(int depth, int size)
{
    static std::map<std::pair<int, int>, BITMAP *> made;
    BITMAP *&image = made[{ depth, size }];

    if (!image)
        image = make_bench_heightmap(depth, size, size);
    return image;
}

// Fresh pages: every block above 128 KiB is mapped anew and unmapped when freed.
// Reused pages: nothing is mapped or given back, so a freed block serves the next build.
void use_pages(bool reused)
{
    if (reused) {
        mallopt(M_MMAP_MAX, 0);
        mallopt(M_TRIM_THRESHOLD, INT_MAX);
    } else {
        malloc_trim(0);
        mallopt(M_MMAP_MAX, 65536);
        mallopt(M_MMAP_THRESHOLD, 128 * 1024);
        mallopt(M_TRIM_THRESHOLD, 128 * 1024);
    }
}

// The grid build as the viewer runs it
void BM_alloc(benchmark::State &state)
{
    race = heightmap((int)state.range(0), (int)state.range(1));
    use_pages(state.range(2) != 0);
    alloc();
    free(dirmap_red);
    for (auto _ : state) {
        alloc();
        benchmark::DoNotOptimize(dirmap_red);
        state.PauseTiming();
        free(dirmap_red);
        dirmap_red = nullptr;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * race->w * race->h);
}

// Floor: one pass that reads each pixel straight from the image's rows and writes one integer
// for it, both in order, into a block from malloc
int *plain_pass()
{
    const int w    = race->w;
    const int h    = race->h;
    int      *out  = (int *)malloc(sizeof(int) * (size_t)w * (size_t)h);
    int      *next = out;

    for (int y = 0; y < h; y++) {
        if (bitmap_color_depth(race) == 16) {
            const uint16_t *row = (const uint16_t *)race->line[y];

            for (int x = 0; x < w; x++)
                *next++ = row[x];
        } else {
            const uint8_t *row = race->line[y];

            for (int x = 0; x < w; x++, row += 3)
                *next++ = row[0] | row[1] << 8 | row[2] << 16;
        }
    }
    return out;
}

void BM_plain_pass(benchmark::State &state)
{
    race = heightmap((int)state.range(0), (int)state.range(1));
    use_pages(state.range(2) != 0);
    free(plain_pass());
    for (auto _ : state) {
        int *out = plain_pass();

        benchmark::DoNotOptimize(out);
        benchmark::ClobberMemory();
        state.PauseTiming();
        free(out);
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * race->w * race->h);
}

// The grid built as alloc builds it, band by band: band columns side by side for each row,
// bands left to right. A band of 1 is column order (x outer, y inner); a band as wide as the
// image is row order (y outer, x inner).
int *build_in_bands(int band)
{
    const int    w       = race->w;
    const int    h       = race->h;
    int        **columns = (int **)malloc(sizeof(int *) * (size_t)w);
    int         *grid    = (int *)malloc(sizeof(int) * (size_t)w * (size_t)h);

    for (int x = 0; x < w; x++)
        columns[x] = grid + (size_t)x * (size_t)h;
    for (int first = 0; first < w; first += band) {
        const int last = first + band < w ? first + band : w;

        for (int y = 0; y < h; y++)
            for (int x = first; x < last; x++)
                columns[x][y] = color_disruptor(x, y) / 1000000;
    }
    free(columns);
    return grid;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Every order and the plain pass in turn, round after round, on reused pages.
// NOTE: this machine's speed drifts by tens of percent over seconds, more than the orders
// differ; within one round they all see the same speed, so each is reported as the median over
// the rounds of its time divided by the plain pass's time in the same round ("<order>_ratio"),
// beside its median time in ms ("<order>_ms")
void BM_visit_orders(benchmark::State &state)
{
    race = heightmap((int)state.range(0), (int)state.range(1));

    const char *names[] = { "plain", "rows", "columns", "bands_8", "bands_16", "bands_32", "bands_64" };
    const int   bands[] = { 0, race->w, 1, 8, 16, 32, 64 };     // 0: the plain pass
    const int   count   = 7;
    std::vector<double> times[count];
    int                 round = 0;

    use_pages(true);
    free(plain_pass());
    for (auto _ : state) {
        // a different one goes first each round, so that none always follows the same one
        for (int k = 0; k < count; k++) {
            const int  i     = (k + round) % count;
            const auto start = std::chrono::steady_clock::now();
            int       *grid  = bands[i] ? build_in_bands(bands[i]) : plain_pass();

            benchmark::DoNotOptimize(grid);
            times[i].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            free(grid);
        }
        round++;
    }
    for (int i = 0; i < count; i++) {
        std::vector<double> ratios;

        for (size_t r = 0; r < times[i].size(); r++)
            ratios.push_back(times[i][r] / times[0][r]);
        state.counters[std::string(names[i]) + "_ms"]    = median(times[i]);
        state.counters[std::string(names[i]) + "_ratio"] = median(ratios);
    }
}

void depths_sizes_pages(benchmark::internal::Benchmark *b)
{
    b->ArgNames({ "bpp", "size", "pages" });
    for (int depth : { 24, 16 })
        for (int size : { 1024, 4096 })
            for (int reused : { 0, 1 })
                b->Args({ depth, size, reused });
}

void depths_sizes(benchmark::internal::Benchmark *b)
{
    b->ArgNames({ "bpp", "size" });
    for (int depth : { 24, 16 })
        for (int size : { 1024, 4096 })
            b->Args({ depth, size });
}

BENCHMARK(BM_plain_pass)->Apply(depths_sizes_pages)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_alloc)->Apply(depths_sizes_pages)->Unit(benchmark::kMillisecond);
// one repetition of many rounds, whatever the command line asks: the rounds are the repetitions
BENCHMARK(BM_visit_orders)->Apply(depths_sizes)->Unit(benchmark::kMillisecond)->MinTime(8.0)->Repetitions(1);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
