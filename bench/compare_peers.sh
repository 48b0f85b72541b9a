#!/usr/bin/env bash
# Whole processes side by side: open a 12-megapixel JPEG, bump it, write a PNG.
#   Pixello:     a scripted headless run that opens the JPEG, bumps it with two fingers and
#                exports the picture (a fresh data folder each run, as a first start)
#   ImageMagick: convert -define jpeg:size=1200x1200 in.jpg -resize 600x600 -implode -0.5 out.png
#   GEGL:        gegl in.jpg -o out.png -- gegl:scale-size-keepaspect y=450 gegl:spherize amount=0.5
# The runs alternate, so a busy moment of the machine falls on all of them; the medians and
# their ratios are printed. A peer that is not installed is skipped (Debian: imagemagick, gegl).
#   bench/compare_peers.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=${1:-build}
runs=${2:-9}
pixello="$build/pixello"
[ -x "$pixello" ] || { echo "no $pixello: build first" >&2; exit 2; }

# The real ImageMagick, not a wrapper that may stand in front of it.
im=""
for candidate in magick convert-im6.q16 convert; do
    if path=$(command -v "$candidate") && "$path" -version 2>/dev/null | grep -q ImageMagick; then
        im=$path
        break
    fi
done
gegl=$(command -v gegl || true)
if [ -z "$im" ]; then
    echo "ImageMagick is not installed: nothing to compare with (apt-get install imagemagick)"
    exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A photograph-like picture: smooth colour with sensor-like noise.
"$im" -size 4000x3000 gradient:'#c84'-'#28c' -attenuate 0.4 +noise Gaussian -quality 90 \
    "$work/in.jpg"

cat > "$work/bump.txt" <<'SCRIPT'
wait 0.1
wait 0.5
press effect
wait 0.3
press bump
wait 0.3
down 1 110 190
down 2 210 290
move 1 90 170
move 2 230 310
up 1 90 170
up 2 230 310
wait 0.5
SCRIPT
echo "export $work/pixello.png" >> "$work/bump.txt"

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s.%N)
    echo "$end - $start" | bc
}
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: > "$work/pixello.t"; : > "$work/im.t"; : > "$work/gegl.t"
for ((i = 0; i < runs; i++)); do
    rm -rf "$work/data"
    seconds "$pixello" --headless --data-dir "$work/data" --pictures-dir "$work" \
        --script "$work/bump.txt" "$work/in.jpg" >> "$work/pixello.t"
    seconds "$im" -define jpeg:size=1200x1200 "$work/in.jpg" -resize 600x600 -implode -0.5 \
        "$work/im.png" >> "$work/im.t"
    if [ -n "$gegl" ]; then
        seconds "$gegl" "$work/in.jpg" -o "$work/gegl.png" -- gegl:scale-size-keepaspect y=450 \
            gegl:spherize amount=0.5 >> "$work/gegl.t"
    fi
done
[ -s "$work/pixello.png" ] || { echo "the Pixello run wrote no picture" >&2; exit 1; }

p=$(median < "$work/pixello.t")
m=$(median < "$work/im.t")
printf 'median of %d runs: Pixello %.3f s, ImageMagick %.3f s (Pixello %.2fx as fast)\n' \
    "$runs" "$p" "$m" "$(echo "$m / $p" | bc -l)"
if [ -n "$gegl" ]; then
    g=$(median < "$work/gegl.t")
    printf '                   GEGL %.3f s (Pixello %.2fx as fast)\n' "$g" "$(echo "$g / $p" | bc -l)"
fi
