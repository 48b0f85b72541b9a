#!/usr/bin/env bash
# Fails when a source file includes a header of a room above its own: dependencies point
# downwards only (the editor on the framework, the framework on the platform, and inside
# the platform base <- graphics <- gl <- ui <- widgets, ui <- render <- host <- window;
# media stands on base and graphics).
set -u
cd "$(dirname "$0")/../src" || exit 2

allowed() {
    case "$1" in
    platform/base) echo "platform/base" ;;
    platform/graphics) echo "platform/base platform/graphics" ;;
    platform/media) echo "platform/base platform/graphics platform/media" ;;
    platform/gl) echo "platform/base platform/graphics platform/gl" ;;
    platform/ui) echo "platform/base platform/graphics platform/gl platform/ui" ;;
    platform/ui/widgets) echo "$(allowed platform/ui) platform/ui/widgets" ;;
    platform/render) echo "$(allowed platform/ui) platform/render" ;;
    platform/host) echo "$(allowed platform/render) platform/host" ;;
    platform/host/window) echo "$(allowed platform/host) platform/host/window" ;;
    ZevkoCore) echo "platform ZevkoCore" ;;
    Pixello) echo "platform ZevkoCore Pixello" ;;
    *) echo "" ;;
    esac
}

status=0
while IFS= read -r file; do
    room=$(dirname "$file")
    rooms=$(allowed "$room")
    if [ -z "$rooms" ]; then
        echo "$file: lies in no known room"
        status=1
        continue
    fi
    while IFS= read -r header; do
        target=$(dirname "$header")
        ok=0
        for r in $rooms; do
            # A whole layer ("platform") admits every room inside it.
            if [ "$target" = "$r" ] || { [ "$r" = platform ] && [[ "$target" == platform/* ]]; }; then
                ok=1
                break
            fi
        done
        if [ $ok -eq 0 ]; then
            echo "$file includes $header, above its own room"
            status=1
        fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done < <(find platform ZevkoCore Pixello -name '*.h' -o -name '*.cpp' | sort)
exit $status
