# test_unpack.sh -- trackview-unpack on real files: message boxes under Xvfb, stdout without a
# display, exit statuses, and the output files in ./unpack of the working directory
source "$TRACKVIEW_E2E/lib.sh"

# run_unpack DIR ARGS...: runs the command in DIR; its stdout and stderr go to $WORK/out and
# $WORK/err, and its exit status to $STATUS
run_unpack() {
    local dir=$1
    shift
    STATUS=0
    (cd "$dir" && exec "$TRACKVIEW_UNPACK" "$@" > "$WORK/out" 2> "$WORK/err") || STATUS=$?
}

# same_bytes WHAT ACTUAL EXPECTED: byte-for-byte comparison, shown as od on a difference
same_bytes() {
    if ! cmp -s "$2" "$3"; then
        echo "--- expected" >&2; od -c "$3" >&2
        echo "--- actual" >&2; od -c "$2" >&2
        fail "$1"
    fi
}

# boxes TEXT...: what the stand-in xmessage records for these texts, one box each
# (Allegro's X11 driver hands xmessage each text with a line feed after it)
boxes() {
    local text
    for text; do
        printf '%s\n\n--\n' "$text"
    done
}

DEBUT=$(printf 'd\351but')
printf 'cc\000/C\001\002\065/AB/rest, never read/' > "$TRACK/package"
printf 'C\001' > "$TRACK/short"
COMPLETE=("$DEBUT" lecture "mode OK 1 2" 53 47 ok "posi 1" "posi 2" AB)

# With a display: one box per message, the é as the byte 0xE9; output files created or emptied
start_xvfb
printf 'old picture' > "$TRACK/unpack/texture.bmp"
run_unpack "$TRACK" package
[ "$STATUS" = 0 ] || fail "complete package: exit status $STATUS (want 0): $(cat "$WORK/err")"
boxes "${COMPLETE[@]}" > "$WORK/expected"
same_bytes "complete package: message boxes" "$MESSAGES" "$WORK/expected"
[ -s "$WORK/out" ] && fail "complete package: stdout not empty with a display: $(cat "$WORK/out")"
for f in race.bmp texture.bmp; do
    [ -f "$TRACK/unpack/$f" ] || fail "unpack/$f not created"
    [ -s "$TRACK/unpack/$f" ] && fail "unpack/$f not empty"
done

: > "$MESSAGES"
run_unpack "$TRACK" missing
[ "$STATUS" = 1 ] || fail "missing package: exit status $STATUS (want 1)"
boxes "$(printf 'loading error \n file : "missing" not found')" > "$WORK/expected"
same_bytes "missing package: message box" "$MESSAGES" "$WORK/expected"

: > "$MESSAGES"
run_unpack "$TRACK" short
[ "$STATUS" = 1 ] || fail "short package: exit status $STATUS (want 1)"
boxes "$DEBUT" lecture 'track package "short" ended early: end of file in the two mode bytes' > "$WORK/expected"
same_bytes "short package: message boxes" "$MESSAGES" "$WORK/expected"

# The output files belong to the working directory, whatever folder the package is in
mkdir -p "$WORK/elsewhere/unpack"
rm -f "$TRACK/unpack/race.bmp" "$TRACK/unpack/texture.bmp"
run_unpack "$WORK/elsewhere" "$TRACK/package"
[ "$STATUS" = 0 ] || fail "package by absolute path: exit status $STATUS (want 0)"
[ -f "$WORK/elsewhere/unpack/race.bmp" ] && [ -f "$WORK/elsewhere/unpack/texture.bmp" ] \
    || fail "output files not created in ./unpack of the working directory"
[ -e "$TRACK/unpack/race.bmp" ] && fail "output file created beside the package instead"
stop_xvfb

# Without a display: each message is one line on stdout, its bytes unchanged (é is 0xE9)
: > "$MESSAGES"
printf 'old picture' > "$TRACK/unpack/race.bmp"
(unset DISPLAY; run_unpack "$TRACK" package; exit "$STATUS") || fail "no display: exit status $? (want 0)"
printf '%s\n' "${COMPLETE[@]}" > "$WORK/expected"
same_bytes "no display: stdout" "$WORK/out" "$WORK/expected"
[ -s "$MESSAGES" ] && fail "no display: a message box was opened"
[ -s "$TRACK/unpack/race.bmp" ] && fail "no display: unpack/race.bmp not emptied"

STATUS=0
(unset DISPLAY; run_unpack "$TRACK" missing; exit "$STATUS") || STATUS=$?
[ "$STATUS" = 1 ] || fail "no display, missing package: exit status $STATUS (want 1)"
printf 'loading error \n file : "missing" not found\n' > "$WORK/expected"
same_bytes "no display, missing package: stdout" "$WORK/out" "$WORK/expected"

# Wrong arguments: the usage line and status 2, and nothing opened or created
rm -f "$TRACK/unpack/race.bmp" "$TRACK/unpack/texture.bmp"
for args in "" "package extra"; do
    run_unpack "$TRACK" $args
    [ "$STATUS" = 2 ] || fail "arguments '$args': exit status $STATUS (want 2)"
    [ "$(cat "$WORK/err")" = "usage: trackview-unpack PACKAGE" ] || fail "arguments '$args': stderr $(cat "$WORK/err")"
    [ -s "$WORK/out" ] && fail "arguments '$args': stdout not empty"
    [ -e "$TRACK/unpack/race.bmp" ] && fail "arguments '$args': the reader ran"
done
echo "trackview-unpack: all checks passed"
