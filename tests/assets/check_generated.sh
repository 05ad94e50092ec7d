#!/usr/bin/env bash
# check_generated.sh MAKE_TRACK SOURCE -- the generator, run afresh into an empty folder,
# writes every bundled file byte for byte as it is committed under SOURCE
set -euo pipefail
make_track=$1
source=$2
out=$(mktemp -d /tmp/trackview-assets.XXXXXX)
trap 'rm -rf "$out"' EXIT

"$make_track" "$out/root"

status=0
for file in Maps/race.bmp Textures/texture_1.bmp res/trackview.ico res/trackview.rc; do
    if cmp "$source/$file" "$out/root/$file"; then
        echo "same: $file"
    else
        echo "FAIL: $file differs from what make_track writes (regenerate: build/tools/make_track .)" >&2
        status=1
    fi
done

# Wrong usage is refused without writing anything
set +e
"$make_track" > /dev/null 2>&1
usage=$?
set -e
if [ "$usage" -ne 2 ]; then
    echo "FAIL: make_track with no argument exited with $usage (want 2)" >&2
    status=1
fi
exit $status
