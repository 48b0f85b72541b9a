#!/usr/bin/env bash
# Builds the Debian package from the build folder, checks what it holds and what it needs,
# and lets lintian judge it. Arguments: BUILD SOURCE VERSION. Skipped (77) without dpkg-deb.
set -euo pipefail
build=$(cd "$1" && pwd)
version=$3
fail() {
    echo "package test: $*" >&2
    exit 1
}
if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
    echo "skipped: dpkg-deb or dpkg-shlibdeps not installed (scripts/setup installs dpkg-dev)"
    exit 77
fi
work=$(mktemp -d /tmp/pixello-package-XXXXXX)
trap 'rm -rf "$work"' EXIT
(cd "$build" && cpack -G DEB -B "$work" >"$work/cpack.log") || {
    cat "$work/cpack.log"
    fail "cpack failed"
}
deb=$(find "$work" -maxdepth 1 -name "pixello_${version}_*.deb")
[ -n "$deb" ] || fail "no pixello_${version}_*.deb in $(ls "$work")"

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
for file in ./usr/bin/pixello ./usr/lib/pixello/pixello-window.so ./usr/share/pixello/Info \
    ./usr/share/locale/de/LC_MESSAGES/Localized.mo ./usr/share/applications/org.pixello.Pixello.desktop \
    ./usr/share/icons/hicolor/256x256/apps/org.pixello.Pixello.png ./usr/share/man/man1/pixello.1.gz \
    ./usr/share/doc/pixello/changelog.gz; do
    grep -qxF "$file" <<<"$contents" || fail "the package lacks $file"
done
! grep -q 'tests_\|bench_\|/usr/local' <<<"$contents" || fail "the package holds what it must not"
# The dependencies come from the binaries: SDL2 is needed by the window module only.
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libc6 libsdl2-2.0-0 libpng16-16 libsdl2-ttf-2.0-0; do
    grep -q "\b$lib\b" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
grep -qx './postinst' <<<"$(dpkg-deb --ctrl-tarfile "$deb" | tar -t)" || fail "no postinst"

if ! command -v lintian >/dev/null; then
    echo "lintian is not installed (scripts/setup installs it); the package was not judged"
    exit 0
fi
lintian --fail-on error "$deb"
