#!/usr/bin/env bash
# check_icon.sh ICON -- one 32x32 image of 256 colours, transparent at its rounded corners
set -euo pipefail
icon=$1
command -v icotool > /dev/null || { echo "FAIL: icotool not found (scripts/install-deps --test installs icoutils)" >&2; exit 1; }
out=$(mktemp -d /tmp/trackview-icon.XXXXXX)
trap 'rm -rf "$out"' EXIT

listing=$(icotool -l "$icon")
want="--icon --index=1 --width=32 --height=32 --bit-depth=8 --palette-size=256"
if [ "$listing" != "$want" ]; then
    printf 'FAIL: icotool -l lists\n%s\nwant\n%s\n' "$listing" "$want" >&2
    exit 1
fi

# The AND mask: corners show through, the picture is opaque
icotool -x -o "$out" "$icon"
png=$(ls "$out"/*.png)
alpha=$(convert "$png" -alpha extract -format '%[fx:p{0,0}] %[fx:p{31,31}] %[fx:p{16,16}] %[fx:p{3,16}]' info:)
if [ "$alpha" != "0 0 1 1" ]; then
    echo "FAIL: alpha at (0,0) (31,31) (16,16) (3,16) is '$alpha' (want '0 0 1 1')" >&2
    exit 1
fi
echo "icon: $listing; corners transparent"
