#!/usr/bin/env bash
# The installed program against the build folder's, side by side: `pixello --headless
# --script` with `terminate` (a fresh data folder each run, as a first start), from the build
# folder and from a copy installed into a temporary prefix. The runs alternate, so a busy
# moment of the machine falls on both; the medians and their ratio are printed.
#   bench/compare_install_start.sh [BUILD_DIR] [RUNS]
set -euo pipefail

build=$(cd "${1:-build}" && pwd)
runs=${2:-21}
[ -x "$build/pixello" ] || { echo "no $build/pixello: build first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
echo terminate >"$work/terminate.txt"

# Milliseconds of one run of PROGRAM.
run() {
    rm -rf "$work/data"
    local start end
    start=$(date +%s%N)
    "$1" --headless --data-dir "$work/data" --script "$work/terminate.txt"
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
median() { sort -n | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

run "$build/pixello" >/dev/null # warm the caches once
for ((i = 0; i < runs; i++)); do
    run "$build/pixello" >>"$work/built"
    run "$work/stage/usr/bin/pixello" >>"$work/installed"
done
built=$(median <"$work/built")
installed=$(median <"$work/installed")
awk -v b="$built" -v i="$installed" -v n="$runs" 'BEGIN {
    printf "build folder: %.1f ms\ninstalled:    %.1f ms\n", b / 1000, i / 1000
    printf "ratio:        %.3f (installed / build folder, medians of %d runs each)\n", i / b, n
}'
