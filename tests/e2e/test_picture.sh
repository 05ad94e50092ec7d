# test_picture.sh DEPTH -- the start-up view of a crafted plateau, on a DEPTH-bit screen:
# the window is 640x480, the terrain lies where the view puts it, each cell shows the whole
# texture the right way round, and Escape ends the viewer with status 0.
source "$TRACKVIEW_E2E/lib.sh"
depth=${1:-24}

# 16 x 16 points at height 8 (a level that 5-bit red keeps exactly)
pixels=""
for _ in $(seq 256); do pixels="$pixels 8,8,8"; done
make_bmp "$TRACK/Maps/race.bmp" 16 16 $pixels
# 8 x 8 texture in four quadrants: red, green / blue, yellow
convert -size 4x4 xc:red -size 4x4 xc:lime +append \( -size 4x4 xc:blue -size 4x4 xc:yellow +append \) \
    -append -type truecolor BMP3:"$TRACK/Textures/texture_1.bmp"

start_xvfb "$depth"
start_viewer
wait_for_window
xwininfo -root -tree | grep '"trackview"' | grep -q ' 640x480+0+0 ' ||
    fail "the window is not 640x480 at the top left: $(xwininfo -root -tree | grep '"trackview"')"
screenshot "$WORK/shot.png"
convert "$WORK/shot.png" -depth 8 txt:- | awk -v n=16 -v z=8 -f "$TRACKVIEW_E2E/check_plateau.awk" ||
    { cp "$WORK/shot.png" "/tmp/trackview-picture-$depth.png"; fail "picture wrong on a $depth-bit screen (saved /tmp/trackview-picture-$depth.png)"; }
press_escape_and_check_exit
echo "PASS"
