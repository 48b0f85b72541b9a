#!/usr/bin/env bash
# Installs the build into a staging folder, moves the staged tree elsewhere and runs the
# moved program with the build and source folders hidden: it must find its pictures, its
# Info and its translations beside itself. Also checks what is installed, and nothing more.
# Arguments: BUILD SOURCE VERSION.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
version=$3
work=$(mktemp -d /tmp/pixello-install-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() {
    echo "install test: $*" >&2
    exit 1
}

DESTDIR="$work/stage" cmake --install "$build" --prefix /usr >/dev/null
mv "$work/stage/usr" "$work/moved"
root=$work/moved
id=org.pixello.Pixello

for file in bin/pixello lib/pixello/pixello-window.so share/pixello/Info \
    share/pixello/defaultImage.png share/pixello/undoItemImage@2x.png \
    share/locale/de/LC_MESSAGES/Localized.mo share/applications/$id.desktop \
    share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
    share/man/man1/pixello.1.gz share/doc/pixello/copyright; do
    [ -f "$root/$file" ] || fail "$file is not installed"
done
[ "$(ls "$root/bin")" = pixello ] || fail "bin/ holds more than the program: $(ls "$root/bin")"
strays=$(find "$root" -name 'tests_*' -o -name 'bench_*' -o -name 'fuzz_*' -o -name 'widget_gallery' \
    -o -name '*.a' -o -name 'test-tmp')
[ -z "$strays" ] || fail "tests, benchmarks or tools are installed: $strays"
# Each icon is as large as the folder it lies in says (PNG: width and height at byte 16).
for size in 48 128 256; do
    png=$root/share/icons/hicolor/${size}x${size}/apps/$id.png
    [ -f "$png" ] || fail "no $size px icon"
    read -r w h < <(od -An -tu1 -j16 -N8 "$png" | awk '{print $3*256+$4, $7*256+$8}')
    [ "$w $h" = "$size $size" ] || fail "the $size px icon is $w x $h"
done
[ "$("$root/bin/pixello" --version)" = "pixello $version" ] || fail "--version says $("$root/bin/pixello" --version)"

# A sanitizer's suppressions file lies in the source folder, which the moved run cannot
# see: every run reads a copy instead.
if [[ "${TSAN_OPTIONS:-}" =~ suppressions=([^ ]+) ]]; then
    cp "${BASH_REMATCH[1]}" "$work/tsan.supp"
    export TSAN_OPTIONS=${TSAN_OPTIONS/"${BASH_REMATCH[1]}"/"$work/tsan.supp"}
fi

# The same session from the build folder and from the moved tree, German and English.
session() { # PROGRAM LANGUAGE NAME [hide]
    local out=$work/$3
    mkdir -p "$out/data"
    printf 'wait 0.5\nscreenshot %s/main.png\npress settings\nwait 1\nscreenshot %s/settings.png\n' \
        "$out" "$out" >"$out/script.txt"
    local run=(env LANGUAGE="$2" "$1" --headless --data-dir "$out/data" --pictures-dir "$out/data"
        --script "$out/script.txt")
    if [ "${4:-}" = hide ]; then
        # The build and source folders are covered by empty ones in a mount namespace of
        # this run alone, so tests running beside it keep seeing them.
        unshare --mount --map-root-user sh -c 'for d in "$1" "$2"; do
            if [ -d "$d" ]; then mount -t tmpfs none "$d"; fi; done
            [ ! -e "$1/CMakeCache.txt" ] || exit 3; shift 2; exec "$@"' \
            sh "$build" "$source" "${run[@]}" || fail "the moved program failed ($3)"
    else
        "${run[@]}" || fail "the program failed ($3)"
    fi
}
session "$build/pixello" de built
if unshare --mount --map-root-user true 2>/dev/null; then
    session "$root/bin/pixello" de moved hide
else
    echo "install test: no mount namespaces here; the moved program runs with the build" \
        "folder still in place" >&2
    session "$root/bin/pixello" de moved
fi
session "$root/bin/pixello" en english
# Toolbar icons, the default picture and the German texts all show as from the build folder;
# the translation makes a difference.
cmp -s "$work/built/main.png" "$work/moved/main.png" || fail "the main screen differs when installed"
cmp -s "$work/built/settings.png" "$work/moved/settings.png" ||
    fail "the German settings screen differs when installed"
! cmp -s "$work/moved/settings.png" "$work/english/settings.png" ||
    fail "the installed program shows no German"
