# test_startup_failures.sh -- every start-up step that cannot go on stops the viewer with one
# message that says what failed (naming the file where there is one) and exit status 1,
# with no window left behind; without any X display the message goes to stdout.
source "$TRACKVIEW_E2E/lib.sh"

good_track() {
    rm -rf "$TRACK/Maps"/* "$TRACK/Textures"/*
    make_solid_bmp "$TRACK/Maps/race.bmp" 4 4 40 40 40
    make_solid_bmp "$TRACK/Textures/texture_1.bmp" 8 8 0 200 0
}

# expect_failure CASE TEXT: the viewer stops with status 1 after exactly one message holding TEXT
expect_failure() {
    local name=$1 text=$2
    : > "$MESSAGES"
    start_viewer
    wait_for_exit 20
    [ "$VIEWER_STATUS" = 1 ] ||
        fail "$name: exit status $VIEWER_STATUS (want 1); output: $(cat "$WORK/stdout" "$WORK/stderr")"
    [ "$(grep -c '^--$' "$MESSAGES")" = 1 ] || fail "$name: want one message, got: $(cat "$MESSAGES")"
    grep -qF -- "$text" "$MESSAGES" || fail "$name: message lacks \"$text\": $(cat "$MESSAGES")"
    ! xwininfo -root -tree | grep -q '"trackview"' || fail "$name: a trackview window is left open"
    echo "ok: $name: $(head -n 1 "$MESSAGES")"
}

# Without any X display: the message reaches stdout
good_track
(unset DISPLAY; cd "$TRACK" && "$TRACKVIEW" > "$WORK/stdout" 2> "$WORK/stderr") && status=0 || status=$?
[ "$status" = 1 ] || fail "no display: exit status $status (want 1)"
grep -q "Allegro could not start: no X display" "$WORK/stdout" || fail "no display: stdout is: $(cat "$WORK/stdout")"
echo "ok: no display: $(cat "$WORK/stdout")"

start_xvfb 24

good_track
rm "$TRACK/Maps/race.bmp"
expect_failure "heightmap missing" "./Maps/race.bmp: file not found"

good_track
rm "$TRACK/Textures/texture_1.bmp"
expect_failure "texture missing" "./Textures/texture_1.bmp: file not found"

good_track
head -c 3000 /dev/urandom > "$TRACK/Maps/race.bmp"
expect_failure "heightmap not a BMP" "./Maps/race.bmp: "

good_track
printf 'this is not a picture' > "$TRACK/Textures/texture_1.bmp"
expect_failure "texture not a BMP" "./Textures/texture_1.bmp: "

# 46341 * 46341 alone passes 2^31 - 1: the far plane of the view cannot be worked out
good_track
make_grey_bmp "$TRACK/Maps/race.bmp" 46341 1 10
expect_failure "heightmap too wide for the view" "./Maps/race.bmp: 46341x1"

# no OpenGL takes a texture side over 32768 (Mesa's llvmpipe stops at 16384)
good_track
make_grey_bmp "$TRACK/Textures/texture_1.bmp" 32769 1 200
expect_failure "texture wider than OpenGL's largest" "./Textures/texture_1.bmp: 32769x1"

stop_xvfb

# An 8-bit screen has no OpenGL visual: the window cannot open
start_xvfb 8
good_track
expect_failure "no OpenGL window" "Could not open the 640x480 OpenGL window"

echo PASS
