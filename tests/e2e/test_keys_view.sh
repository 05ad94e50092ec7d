# test_keys_view.sh -- every camera key turns or moves the picture its own way, and a held key
# steps the camera once per 20 ms tick.
#
# The scenes: a flat heightmap at height Z with a white texture. The eye starts at grid point
# (0, 0, 0), under this ceiling, looking toward the far corner: the ceiling fills the top of the
# window down to a V whose lowest point, the tip, is that corner, in the middle column. Where
# the tip goes on the screen tells how the view moved.
source "$TRACKVIEW_E2E/lib.sh"

# tip FILE: prints "X Y", the lowest row of lit pixels and the middle of its lit span
# (half pixels as .5), or "none" when nothing is lit
tip() {
    local box w h x y bottom
    box=$(convert "$1" -bordercolor black -border 1 -fuzz 25% -format '%@' info: 2>/dev/null)
    IFS='x+' read -r w h x y <<< "$box"
    if [ "$w" = 0 ]; then
        echo none
        return
    fi
    bottom=$((y - 1 + h - 1))
    box=$(convert "$1" -crop "640x2+0+$((bottom - 1))" +repage -bordercolor black -border 1 \
          -fuzz 25% -format '%@' info: 2>/dev/null)
    IFS='x+' read -r w h x y <<< "$box"
    awk -v l=$((x - 1)) -v w="$w" -v b="$bottom" 'BEGIN { printf "%.1f %d\n", l + (w - 1) / 2, b }'
}

# ceiling_viewer W H Z: starts the viewer on a flat W x H heightmap at height Z, white texture
ceiling_viewer() {
    make_solid_bmp "$TRACK/Maps/race.bmp" "$1" "$2" "$3" 0 0
    make_solid_bmp "$TRACK/Textures/texture_1.bmp" 8 8 255 255 255
    start_viewer
    wait_for_window
}

# start_tip Z AHEAD: screenshot of the start-up view; sets before to its tip. With the far
# corner AHEAD units ahead of the eye and Z above it, the tip sits Z/AHEAD of the half height
# above the middle row, at row 240 * (1 - Z/AHEAD), and about in the middle column
start_tip() {
    local want
    screenshot "$WORK/start.ppm"
    before=$(tip "$WORK/start.ppm")
    want=$(awk -v z="$1" -v ahead="$2" 'BEGIN { printf "%.1f", 240 * (1 - z / ahead) }')
    awk -v got="$before" -v want="$want" 'BEGIN {
        split(got, g, " "); exit !(g[1] >= 315 && g[1] <= 325 && g[2] >= want - 2 && g[2] <= want + 1) }' ||
        fail "start-up view: tip at ($before), want (320 $want): the scene is not the one this test expects"
}

# hold KEY SECONDS: holds KEY, then sets after to the tip of the picture it left.
# NOTE: on a loaded machine the viewer's event thread can get the press and the release in
# one batch, and a key that goes up before a tick is never seen: a picture that did not move
# at all is taken as a press that was not delivered, and the key is held again (3 tries)
hold() {
    local tries
    for tries in 1 2 3; do
        hold_key "$1" "$2"
        sleep 0.1
        screenshot "$WORK/after.ppm"
        after=$(tip "$WORK/after.ppm")
        [ "$after" = "$before" ] || return 0
        echo "$1: picture unchanged after try $tries"
    done
}

start_xvfb

# 1. Directions, on a 51 x 51 ceiling at height 30: the far corner is 50*sqrt(2) = 70.71
# ahead. Each key is held for 0.3 s (about 15 steps); the tip must move the way the
# camera step predicts: turns act on the eye about the grid's axes, moves along them.
# From the start-up view the screen's right is grid direction (+1, -1, 0), its depth (+1, +1, 0)
# and its up +z. Expected tip movement (dx: + right, dy: + down; 0: not checked but small):
#   Up     turn +y: tilts down, rolls right     tip up and left
#   Down   turn -y                              tip down and right
#   Left   turn -x: tilts down, rolls left      tip up and right
#   Right  turn +x                              tip down and left
#   KP_Add turn +z: the view turns left         tip right
#   KP_Subtract                                 tip left
#   r      eye up, toward the ceiling           tip down
#   f      eye down                             tip up
#   u      eye +y: forward and left             tip right and up
#   j      eye -y                               tip left and down
#   h      eye +x: forward and right            tip left and up
#   k      eye -x                               tip right and down
# Both keys of a pair turn about one axis or move along one, so the second key of a pair
# starts from about the start-up view again.
ceiling_viewer 51 51 30
start_tip 30 70.71

check_direction() {
    local name=$1 want_dx=$2 want_dy=$3
    hold "$name" 0.3
    [ "$after" != none ] || fail "$name: the ceiling left the window"
    awk -v b="$before" -v a="$after" -v wx="$want_dx" -v wy="$want_dy" -v name="$name" 'BEGIN {
        split(b, p, " "); split(a, q, " ")
        dx = q[1] - p[1]; dy = q[2] - p[2]
        ok = 1
        # a checked component moves at least 2 pixels the right way
        if (wx != 0 && dx * wx < 2) ok = 0
        if (wy != 0 && dy * wy < 2) ok = 0
        # an unchecked one stays small beside the checked one
        if (wx == 0 && (dx < 0 ? -dx : dx) > 2 + (dy < 0 ? -dy : dy) / 4) ok = 0
        if (wy == 0 && (dy < 0 ? -dy : dy) > 2 + (dx < 0 ? -dx : dx) / 4) ok = 0
        printf "%-12s tip (%s) -> (%s): moved %+.1f, %+.1f\n", name, b, a, dx, dy
        exit !ok }' || fail "$name moved the tip the wrong way (want dx sign $want_dx, dy sign $want_dy)"
    before=$after
}

check_direction Up          -1 -1
check_direction Down        +1 +1
check_direction Left        +1 -1
check_direction Right       -1 +1
check_direction KP_Add      +1  0
check_direction KP_Subtract -1  0
check_direction r            0 +1
check_direction f            0 -1
check_direction u           +1 -1
check_direction j           -1 +1
check_direction h           -1 -1
check_direction k           +1 +1
press_escape_and_check_exit

# 2. Rate, on a strip 101 x 2 at height 2: its far corner (100, 1) is 100.0 ahead, so with the
# eye n units down (f held for n ticks) the tip climbs 2.4 pixels a step, and it stays in the
# window up to 95 steps. Half a second is 25 ticks. The strip has only 100 cells, so frames
# come much faster than ticks: one step per frame would be hundreds.
ceiling_viewer 101 2 2
start_tip 2 100
hold f 0.5
[ "$after" != none ] || fail "f held for 0.5 s: the strip left the window: more than 95 steps"
steps=$(awk -v b="$before" -v a="$after" 'BEGIN { split(b, p, " "); split(a, q, " ")
    printf "%.1f", (p[2] - q[2]) * 100 / 240 }')
echo "f held for 0.5 s: tip ($before) -> ($after): $steps steps"
awk -v s="$steps" 'BEGIN { exit !(s >= 10 && s <= 60) }' ||
    fail "f held for 0.5 s gave $steps steps (want about 25: one per 20 ms tick)"
press_escape_and_check_exit
echo "PASS"
