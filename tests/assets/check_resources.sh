#!/usr/bin/env bash
# check_resources.sh RC -- the resource script compiles for Windows and holds the icon group "A"
# NOTE: the cross binutils come without a cross compiler, so the host's cpp preprocesses
set -euo pipefail
rc=$1
windres=x86_64-w64-mingw32-windres
command -v $windres > /dev/null || { echo "FAIL: $windres not found (scripts/install-deps --test installs binutils-mingw-w64-x86-64)" >&2; exit 1; }
out=$(mktemp -d /tmp/trackview-rc.XXXXXX)
trap 'rm -rf "$out"' EXIT

# compiled from another folder, as a build does: the icon is found next to the script
(cd "$out" && $windres --preprocessor=cpp -O coff -i "$rc" -o trackview.o)
$windres -i "$out/trackview.o" -O rc > "$out/decompiled.rc"

fail() {
    echo "FAIL: $*" >&2
    sed -e '/^  0x/d' "$out/decompiled.rc" >&2
    exit 1
}
[ "$(grep -c 'RT_GROUP_ICON' "$out/decompiled.rc")" = 1 ] || fail "want exactly one icon group"
grep -q '^"A" 14 /\* RT_GROUP_ICON \*/' "$out/decompiled.rc" || fail 'the icon group is not named "A"'
[ "$(grep -c 'RT_ICON \*/' "$out/decompiled.rc")" = 1 ] || fail "want exactly one icon image"
# group entry: width 32, height 32, 0 (= 256) colours, 1 plane, 8 bits per pixel
grep -q '"\\040\\040\\000\\000", 1, 8,' "$out/decompiled.rc" || fail "the group's image is not 32x32 with 8 bits per pixel"
echo 'resources: icon group "A" with one 32x32 8-bit icon'
