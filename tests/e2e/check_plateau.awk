# check_plateau.awk -- compares a screenshot of the start-up view of a flat plateau with the
# picture worked out from the view itself.
#
# The heightmap is N x N points all at height Z; the texture is four quadrants, red at the
# top left, green at the top right, blue at the bottom left, yellow at the bottom right.
# The start-up view puts the eye at (0, 0, 0) looking toward (N, N, 0) with +z up, through a
# square frustum of +-1 at distance 1 stretched over 640x480. So a pixel whose centre has
# normalised coordinates (u, v) sees the plateau point with
#     x + y = Z * sqrt(2) / v      x - y = u * (x + y)
# when 0 <= x, y <= N - 1, and black otherwise; at that point every cell shows the whole
# texture, s = frac(x) to the right, t = frac(y) downward.
#
# Input: ImageMagick's txt: listing of the screenshot. Variables: n, z.
# Output: counts, and "ok" or the reason it failed; exit status 1 on failure.
function classify(r, g, b) {
    if (r > 160 && g < 90  && b < 90)  return "red"
    if (r < 90  && g > 160 && b < 90)  return "green"
    if (r < 90  && g < 90  && b > 160) return "blue"
    if (r > 160 && g > 160 && b < 90)  return "yellow"
    if (r < 24  && g < 24  && b < 24)  return "black"
    return "other"
}
function frac(a) { return a - int(a) }
# inside (lo, hi) of one half of a cell, away from the blends at the edges and the middle
function clear_of_edges(f) { return (f > 0.15 && f < 0.35) || (f > 0.65 && f < 0.85) }

BEGIN { FS = "[,:() ]+"; last = n - 1 }
/^#/ { next }
{
    sx = $1; sy = $2; r = $3; g = $4; b = $5
    u = (sx + 0.5) / 320 - 1
    v = 1 - (sy + 0.5) / 240
    seen = classify(r, g, b)
    if (v <= 0) {
        below++
        if (seen != "black") below_wrong++
        next
    }
    sum = z * sqrt(2) / v
    x = (sum + u * sum) / 2
    y = (sum - u * sum) / 2
    if (x < -0.05 || y < -0.05 || x > last + 0.05 || y > last + 0.05) {
        sky++
        if (seen != "black") sky_wrong++
        next
    }
    if (x < 0.05 || y < 0.05 || x > last - 0.05 || y > last - 0.05) next
    if (!clear_of_edges(frac(x)) || !clear_of_edges(frac(y))) next
    want = frac(y) < 0.5 ? (frac(x) < 0.5 ? "red" : "green") : (frac(x) < 0.5 ? "blue" : "yellow")
    terrain++
    count[want]++
    if (seen != want) terrain_wrong++
}
END {
    printf "below the horizon %d (%d wrong), beside the plateau %d (%d wrong), on it %d (%d wrong)\n",
           below, below_wrong, sky, sky_wrong, terrain, terrain_wrong
    printf "quadrant samples: red %d green %d blue %d yellow %d\n",
           count["red"], count["green"], count["blue"], count["yellow"]
    if (terrain < 2000 || count["red"] < 200 || count["green"] < 200 || count["blue"] < 200 || count["yellow"] < 200) {
        print "too few plateau pixels in the picture"
        exit 1
    }
    if (below_wrong > 0 || sky_wrong > sky * 0.002 || terrain_wrong > terrain * 0.01) {
        print "the picture differs from the expected view"
        exit 1
    }
    print "ok"
}
