// first_swap.cpp -- LD_PRELOAD shim for timing the whole viewer: wraps glXSwapBuffers, the end of
// every frame, and writes to the file named by $TRACKVIEW_SWAP_LOG (stderr without it):
//   first_frame_ms  from $TRACKVIEW_START_US (wall clock in microseconds, taken just before the
//                   viewer was started: bash's $EPOCHREALTIME without the point) to the return
//                   of the first swap, when the first frame has been handed to the X server
//   frame_ms        the last frame, swap to swap, and
//   peak_kib        the process's peak resident memory (VmHWM), both at the first swap after
//                   the first that ends $TRACKVIEW_PEAK_AFTER_MS or more after it (default 0)
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include <GL/glx.h>
#include <dlfcn.h>          // Required for: dlsym, RTLD_NEXT

namespace {

typedef void (*swap_function)(Display *, GLXDrawable);

long long now_us()
{
    timespec t{};

    clock_gettime(CLOCK_REALTIME, &t);
    return (long long)t.tv_sec * 1000000 + t.tv_nsec / 1000;
}

// VmHWM of this process in KiB, or -1
long peak_kib()
{
    FILE *status = fopen("/proc/self/status", "r");
    char  line[256];
    long  kib = -1;

    if (!status)
        return -1;
    while (fgets(line, sizeof(line), status))
        if (strncmp(line, "VmHWM:", 6) == 0)
            kib = strtol(line + 6, nullptr, 10);
    fclose(status);
    return kib;
}

void log_line(const char *name, double value)
{
    const char *path = getenv("TRACKVIEW_SWAP_LOG");
    FILE       *log  = path ? fopen(path, "a") : stderr;

    if (!log)
        return;
    fprintf(log, "%s %.1f\n", name, value);
    if (log != stderr)
        fclose(log);
}

} // namespace

extern "C" void glXSwapBuffers(Display *display, GLXDrawable drawable)
{
    static swap_function real       = (swap_function)dlsym(RTLD_NEXT, "glXSwapBuffers");
    static const char   *peak_after = getenv("TRACKVIEW_PEAK_AFTER_MS");
    static long          swaps      = 0;
    static long long     first_swap = 0;
    static long long     last_swap  = 0;
    static bool          peak_shown = false;

    real(display, drawable);
    const long long now = now_us();

    swaps++;
    if (swaps == 1) {
        const char *start = getenv("TRACKVIEW_START_US");

        if (start)
            log_line("first_frame_ms", (double)(now - atoll(start)) / 1000.0);
        first_swap = last_swap = now;
        return;
    }
    if (!peak_shown && now - first_swap >= (peak_after ? atoll(peak_after) : 0) * 1000) {
        log_line("frame_ms", (double)(now - last_swap) / 1000.0);
        log_line("peak_kib", (double)peak_kib());
        peak_shown = true;
    }
    last_swap = now;
}
