# test_keys_listing.sh -- Enter lists the heights in message boxes, one after the other, and the
# viewer draws on afterwards; keypad Enter and the main keyboard's = and - do nothing.
# Message boxes go to the stand-in xmessage, which records each text and waits a moment
# before answering OK, as a person would.
source "$TRACKVIEW_E2E/lib.sh"

export XMESSAGE_DELAY=0.2

# listed X Y HEIGHT: one recorded message box; Allegro's X11 driver ends the text it hands to
# xmessage with a line feed of its own
listed() {
    printf 'X: %d Y :%d \n hauteur : %d\n\n--\n' "$1" "$2" "$3"
}

# boxes: how many boxes have been shown
boxes() {
    if [ -f "$MESSAGES" ]; then
        grep -c '^--$' "$MESSAGES" || true
    else
        echo 0
    fi
}

# list_heights WANT_BOXES: presses Enter until the first box shows, then waits for the listing
# to end; the key is up long before, so exactly one listing runs
list_heights() {
    local tries=0
    xdotool mousemove 100 100 keydown Return
    until [ "$(boxes)" -ge 1 ]; do
        tries=$((tries + 1))
        [ $tries -gt 100 ] && { xdotool keyup Return; fail "Enter held for 10 s: no message box"; }
        sleep 0.1
    done
    xdotool keyup Return
    tries=0
    until [ "$(boxes)" -ge "$1" ]; do
        tries=$((tries + 1))
        [ $tries -gt 100 ] && fail "only $(boxes) of $1 boxes after 10 s"
        sleep 0.1
    done
    sleep 1
    [ "$(boxes)" = "$1" ] || fail "$(boxes) boxes, want $1, one listing: $(cat "$MESSAGES")"
}

# 1. 24-bit screen, a 3 x 3 heightmap: rows 10 20 30 / 40 50 60 / 70 80 90. The listing shows
# the points of the first two columns and rows, row by row, with their exact reds.
start_xvfb 24
make_bmp "$TRACK/Maps/race.bmp" 3 3 \
    10,0,0 20,0,0 30,0,0 \
    40,0,0 50,0,0 60,0,0 \
    70,0,0 80,0,0 90,0,0
make_bmp "$TRACK/Textures/texture_1.bmp" 2 2 255,0,0 0,255,0 0,0,255 255,255,255
start_viewer
wait_for_window
# From the start-up corner the points are far above the field of view: step back along -x
# and -y first, until the little grid stands in the middle of the window
xdotool mousemove 100 100 keydown j keydown k sleep 0.5 keyup j keyup k
sleep 0.2
screenshot "$WORK/start.ppm"
[ "$(convert "$WORK/start.ppm" -format '%[max]' info:)" != 0 ] || fail "the grid is not in view: nothing drawn"

for k in KP_Enter equal minus; do
    hold_key "$k" 0.2
done
sleep 0.2
screenshot "$WORK/ignored.ppm"
[ "$(boxes)" = 0 ] || fail "keypad Enter, = or - showed a message box: $(cat "$MESSAGES")"
cmp -s "$WORK/start.ppm" "$WORK/ignored.ppm" || fail "keypad Enter, = or - changed the picture"

list_heights 4
{ listed 0 0 10; listed 1 0 20; listed 0 1 40; listed 1 1 50; } > "$WORK/want"
diff "$WORK/want" "$MESSAGES" || fail "the 24-bit listing is not the 4 points in row order"

# the viewer draws on: the same view as before the listing, and a key still moves it
screenshot "$WORK/listed.ppm"
cmp -s "$WORK/start.ppm" "$WORK/listed.ppm" || fail "the picture changed across the listing"
hold_key r 0.3
sleep 0.2
screenshot "$WORK/moved.ppm"
cmp -s "$WORK/listed.ppm" "$WORK/moved.ppm" && fail "r after the listing did not move the view"
press_escape_and_check_exit

# 2. 16-bit screen: red has 5 bits, so heights are Allegro's 5-bit levels
# (0, 8, 16, 24, 33, 41, 49, 57, 66, 74, 82, 90, 99, ... 206, ... 255): 100 -> 99, 200 -> 206, 7 -> 0
stop_xvfb
rm -f "$MESSAGES"
start_xvfb 16
make_bmp "$TRACK/Maps/race.bmp" 4 2 \
    100,0,0 200,0,0 7,0,0 255,0,0 \
    0,0,0 0,0,0 0,0,0 0,0,0
start_viewer
wait_for_window
list_heights 3
{ listed 0 0 99; listed 1 0 206; listed 2 0 0; } > "$WORK/want"
diff "$WORK/want" "$MESSAGES" || fail "the 16-bit listing does not show the 5-bit levels"
press_escape_and_check_exit
echo "PASS"
