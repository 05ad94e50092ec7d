# test_bad_images.sh -- every crafted image file, as the heightmap and as the texture: a file the
# viewer refuses stops it within a few seconds with one message naming the file and the reason,
# exit status 1 and no signal; a well-formed variant that Allegro alone cannot read loads, and as
# the heightmap the right way up (the first height listed is the red of the top-left pixel).
# $1: the program that writes the crafted files and their manifest (see write_crafted_bmps.cpp)
source "$TRACKVIEW_E2E/lib.sh"

CRAFTED=$WORK/crafted
mkdir -p "$CRAFTED"
"$1" "$CRAFTED" || fail "the crafted files could not be written"
GOOD=$CRAFTED/good_24bit.bmp

# use_images HEIGHTMAP TEXTURE: the two start-up images of the next run
use_images() {
    cp "$1" "$TRACK/Maps/race.bmp"
    cp "$2" "$TRACK/Textures/texture_1.bmp"
    : > "$MESSAGES"
}

# expect_refusal CASE PATH WANT: the viewer stops with status 1, no signal, after exactly one
# message "PATH: WANT"; "@MAX@" in WANT matches OpenGL's largest texture side, whatever it is
expect_refusal() {
    local name=$1 path=$2 want=$3
    start_viewer
    wait_for_exit 10
    [ "$VIEWER_STATUS" != running ] || fail "$name: still running after 10 s"
    [ "$VIEWER_STATUS" = 1 ] ||
        fail "$name: exit status $VIEWER_STATUS (want 1); output: $(cat "$WORK/stdout" "$WORK/stderr")"
    ! grep -q "due to signal" "$WORK/stderr" || fail "$name: $(cat "$WORK/stderr")"
    [ "$(grep -c '^--$' "$MESSAGES")" = 1 ] || fail "$name: want one message, got: $(cat "$MESSAGES")"

    local got
    got=$(sed -e '/^--$/,$d' -e '/^$/d' "$MESSAGES")
    if [[ $want == *@MAX@* ]]; then
        [[ $got =~ ^"$path: ${want%%@MAX@*}"[0-9]+"${want#*@MAX@}"$ ]] || fail "$name: message is \"$got\""
    else
        [ "$got" = "$path: $want" ] || fail "$name: message is \"$got\", want \"$path: $want\""
    fi
    echo "ok: $name: $got"
}

start_xvfb 24

refusals=0
variants=0
while IFS='|' read -r -u 3 name as_heightmap as_texture red; do
    file=$CRAFTED/$name.bmp
    if [ -n "$as_heightmap" ]; then
        use_images "$file" "$GOOD"
        expect_refusal "$name as the heightmap" ./Maps/race.bmp "$as_heightmap"
        use_images "$GOOD" "$file"
        expect_refusal "$name as the texture" ./Textures/texture_1.bmp "$as_texture"
        refusals=$((refusals + 1))
        continue
    fi

    # A variant as the heightmap: the listing's first height is H(0, 0), the top-left pixel's red
    use_images "$file" "$GOOD"
    start_viewer
    wait_for_window
    hold_key Return 0.1
    sleep 1
    first=$(sed -e '/^--$/,$d' "$MESSAGES" | xargs)
    [ "$first" = "X: 0 Y :0 hauteur : $red" ] ||
        fail "$name as the heightmap: first height listed is \"$first\", want red $red of the top-left pixel"
    press_escape_and_check_exit
    echo "ok: $name as the heightmap: $first"

    use_images "$GOOD" "$file"
    start_viewer
    wait_for_window
    press_escape_and_check_exit
    [ ! -s "$MESSAGES" ] || fail "$name as the texture: $(cat "$MESSAGES")"
    echo "ok: $name as the texture loads"
    variants=$((variants + 1))
done 3< "$CRAFTED/manifest.txt"

[ "$refusals" -gt 0 ] && [ "$variants" -gt 0 ] || fail "the manifest lacks refusals or variants"
echo PASS
