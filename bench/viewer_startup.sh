#!/usr/bin/env bash
# viewer_startup.sh -- times the whole viewer on tracks of the given sizes: from the start of the
# process to its first frame shown, the frame time, and its peak memory.
#   viewer_startup.sh RUNS TRACK...
# A TRACK is a size, for a track of that many pixels a side made by make_bench_track, or a
# directory that holds Maps/race.bmp and Textures/texture_1.bmp already (the bundled track).
# Environment: DISPLAY (an X server, 640x480), TRACKVIEW (the viewer), FIRST_SWAP (the shim
# libfirst_swap.so), MAKE_BENCH_TRACK, WORK (a scratch directory).
# The shim, preloaded into the viewer, writes its figures as frames are swapped; the viewer is
# killed once they are in. One run warms the file and shader caches, RUNS runs time the first
# frame, and one more run draws frames for 10 s (two at least) before it reads the peak memory
# and the frame time, as Mesa's buffers keep growing over the first frames. Prints one line per
# track:
#   WIDTH HEIGHT FIRST_FRAME_MS FRAME_MS PEAK_KIB NAME    (FIRST_FRAME_MS: median over the runs;
#                                                           NAME: "bench", or the directory)
set -euo pipefail

runs=$1
shift

median() {
    sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# run_once DIR LOG UNTIL PEAK_AFTER_MS: one viewer run in DIR until its shim has written the
# line UNTIL into LOG
run_once() {
    local dir=$1 log=$2 until=$3 peak_after=$4 pid tries=0

    rm -f "$log"
    (
        cd "$dir"
        export TRACKVIEW_SWAP_LOG=$log TRACKVIEW_PEAK_AFTER_MS=$peak_after
        LD_PRELOAD=$FIRST_SWAP TRACKVIEW_START_US=${EPOCHREALTIME/./} exec "$TRACKVIEW"
    ) > "$WORK/viewer.out" 2>&1 &
    pid=$!
    until grep -q "^$until " "$log" 2>/dev/null; do
        if ! kill -0 "$pid" 2>/dev/null; then
            echo "viewer_startup.sh: the viewer ended early: $(cat "$WORK/viewer.out")" >&2
            exit 1
        fi
        tries=$((tries + 1))
        if [ $tries -gt 12000 ]; then
            kill -9 "$pid"
            echo "viewer_startup.sh: no $until after 600 s" >&2
            exit 1
        fi
        sleep 0.05
    done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

# Mesa's shader cache lives with the scratch files: the warm-up run fills it
export MESA_SHADER_CACHE_DIR=$WORK/mesa-shader-cache

# le32 FILE OFFSET: the little-endian 32-bit integer at OFFSET in FILE
le32() {
    od -An -t u1 -j "$2" -N 4 "$1" | awk '{ print $1 + 256 * $2 + 65536 * $3 + 16777216 * $4 }'
}

for track in "$@"; do
    if [ -d "$track" ]; then
        dir=$track name=$track
    else
        dir=$WORK/track-$track name=bench
        mkdir -p "$dir/Maps" "$dir/Textures"
        "$MAKE_BENCH_TRACK" "$dir" "$track"
    fi
    log=$WORK/swap.log

    run_once "$dir" "$log" first_frame_ms 0
    : > "$WORK/runs"
    for _ in $(seq "$runs"); do
        run_once "$dir" "$log" first_frame_ms 0
        awk '$1 == "first_frame_ms" { print $2 }' "$log" >> "$WORK/runs"
    done
    run_once "$dir" "$log" peak_kib 10000
    echo "$(le32 "$dir/Maps/race.bmp" 18) $(le32 "$dir/Maps/race.bmp" 22) $(median < "$WORK/runs")" \
         "$(awk '{ v[$1] = $2 } END { print v["frame_ms"], v["peak_kib"] }' "$log") $name"
done
