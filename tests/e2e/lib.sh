# lib.sh -- shared pieces of the end-to-end tests: a private Xvfb, a track directory,
# a recording message box, the viewer, screenshots and keys.
# Source it from a test script; the test's environment names the programs:
#   TRACKVIEW, TRACKVIEW_UNPACK, TRACKVIEW_SOURCE (the repository), TRACKVIEW_E2E (this folder)
set -euo pipefail

WORK=$(mktemp -d /tmp/trackview-e2e.XXXXXX)
TRACK=$WORK/track                  # working directory of the programs under test
MESSAGES=$WORK/messages            # what the stand-in xmessage was asked to show
XVFB_PID=
VIEWER_PID=

mkdir -p "$TRACK/Maps" "$TRACK/Textures" "$TRACK/unpack" "$WORK/bin"

cleanup() {
    [ -n "$VIEWER_PID" ] && kill -9 "$VIEWER_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
    [ -n "$XVFB_PID" ] && wait "$XVFB_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Stand-in for xmessage, first in PATH: appends the text it was given (its last argument)
# to $MESSAGES followed by a line "--", and answers OK (101) as the real box does.
# With XMESSAGE_DELAY set it waits that many seconds before answering.
cat > "$WORK/bin/xmessage" <<'EOF'
#!/bin/sh
for last; do :; done
printf '%s\n--\n' "$last" >> "$XMESSAGE_LOG"
[ -n "${XMESSAGE_DELAY:-}" ] && sleep "$XMESSAGE_DELAY"
exit 101
EOF
chmod +x "$WORK/bin/xmessage"
export XMESSAGE_LOG=$MESSAGES
export PATH="$WORK/bin:$PATH"

source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/xvfb.sh"

# start_xvfb [DEPTH] [WxH]: a private X server on a free display; exports DISPLAY
start_xvfb() {
    start_private_xvfb "$@" || fail "Xvfb did not start"
}

# stop_xvfb: ends the private X server
stop_xvfb() {
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
    XVFB_PID=
}

# make_bmp OUT W H PIXELS: a 24-bit BMP (40-byte header, bottom-up rows) from
# "r,g,b" triples given row by row, top row first, separated by spaces
make_bmp() {
    local out=$1 w=$2 h=$3
    shift 3
    local ppm=$WORK/make_bmp.ppm
    {
        printf 'P6\n%d %d\n255\n' "$w" "$h"
        local p
        for p in $*; do
            printf "$(printf '\\%03o\\%03o\\%03o' ${p//,/ })"
        done
    } > "$ppm"
    convert "$ppm" -type truecolor BMP3:"$out"
}

# make_solid_bmp OUT W H R G B: a w x h BMP of one colour
make_solid_bmp() {
    convert -size "$2x$3" "xc:rgb($4,$5,$6)" -type truecolor BMP3:"$1"
}

# le16 N / le32 N: N as little-endian bytes
le16() { printf "$(printf '\\%03o\\%03o' $(($1 & 255)) $(($1 >> 8 & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $(($1 >> 16 & 65535)); }

# make_grey_bmp OUT W H LEVEL: a 24-bit BMP of one grey level written directly, for sizes
# beyond ImageMagick's limits
make_grey_bmp() {
    local out=$1 w=$2 h=$3 level=$4
    local row=$(( (w * 3 + 3) / 4 * 4 ))
    {
        printf 'BM'; le32 $((54 + row * h)); le32 0; le32 54
        le32 40; le32 "$w"; le32 "$h"; le16 1; le16 24; le32 0; le32 $((row * h)); le32 2835; le32 2835; le32 0; le32 0
    } > "$out"
    head -c $((row * h)) /dev/zero | tr '\0' "$(printf '\\%03o' "$level")" >> "$out"
}

# start_viewer: runs the viewer in $TRACK; its output goes to $WORK/stdout and $WORK/stderr
start_viewer() {
    (cd "$TRACK" && exec "$TRACKVIEW" > "$WORK/stdout" 2> "$WORK/stderr") &
    VIEWER_PID=$!
}

# wait_for_window [SECONDS]: until the viewer's 640x480 window is mapped, then 1 s more for frames
wait_for_window() {
    local limit=$(( ${1:-20} * 10 )) tries=0
    until xwininfo -root -tree 2>/dev/null | grep -q '"trackview".*640x480'; do
        tries=$((tries + 1))
        [ $tries -gt $limit ] && fail "no 640x480 trackview window after ${1:-20} s"
        kill -0 "$VIEWER_PID" 2>/dev/null || fail "viewer ended before its window was shown: $(cat "$WORK/stdout" "$WORK/stderr")"
        sleep 0.1
    done
    sleep 1
}

# wait_for_exit [SECONDS]: waits for the viewer to end and sets VIEWER_STATUS to its exit
# status, or to "running" if it has not ended in time (it is then killed)
VIEWER_STATUS=
wait_for_exit() {
    local limit=$(( ${1:-20} * 10 )) tries=0
    while kill -0 "$VIEWER_PID" 2>/dev/null && [ "$(ps -o stat= -p "$VIEWER_PID" | cut -c1)" != Z ]; do
        tries=$((tries + 1))
        if [ $tries -gt $limit ]; then
            kill -9 "$VIEWER_PID" 2>/dev/null || true
            wait "$VIEWER_PID" 2>/dev/null || true
            VIEWER_PID=
            VIEWER_STATUS=running
            return
        fi
        sleep 0.1
    done
    VIEWER_STATUS=0
    wait "$VIEWER_PID" || VIEWER_STATUS=$?
    VIEWER_PID=
}

# hold_key KEY SECONDS: presses KEY (an xdotool name) for that long, pointer over the window
# NOTE: one xdotool process for the whole press, so the hold does not stretch under load
hold_key() {
    xdotool mousemove 100 100 keydown "$1" sleep "$2" keyup "$1"
}

# press_escape_and_check_exit: Escape ends the viewer with status 0
press_escape_and_check_exit() {
    hold_key Escape 0.2
    wait_for_exit 10
    [ "$VIEWER_STATUS" = 0 ] || fail "Escape ended the viewer with status $VIEWER_STATUS (want 0)"
}

# screenshot FILE: the whole screen as PNG
screenshot() {
    import -window root "$1"
}
