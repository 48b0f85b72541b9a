#!/usr/bin/env bash
# Fails when a source file includes a header of a room above its own. Dependencies point
# downwards only: the editor on the framework, the framework on the platform, and inside the
# platform base <- graphics <- gl <- ui <- widgets, and ui <- render <- host <- host/window;
# media stands on base and graphics, and the widgets' image picker on media. The build runs this check, so such an include does not
# build.
set -u
cd "$(dirname "$0")/../src" || exit 2

grep -rHo --include='*.h' --include='*.cpp' '^#include "[^"]*"' platform ZevkoCore Pixello |
    awk -F: '
    BEGIN {
        below["platform/base"] = ""
        below["platform/graphics"] = "platform/base"
        below["platform/media"] = "platform/base platform/graphics"
        below["platform/gl"] = "platform/base platform/graphics"
        below["platform/ui"] = "platform/base platform/graphics platform/gl"
        below["platform/ui/widgets"] = below["platform/ui"] " platform/ui platform/media"
        below["platform/render"] = below["platform/ui"] " platform/ui"
        below["platform/host"] = below["platform/render"] " platform/render"
        below["platform/host/window"] = below["platform/host"] " platform/host"
        below["ZevkoCore"] = "platform"
        below["Pixello"] = "platform ZevkoCore"
        status = 0
    }
    function dir(path) { sub(/\/[^\/]*$/, "", path); return path }
    {
        file = $1
        header = $2
        sub(/^#include "/, "", header)
        sub(/"$/, "", header)
        room = dir(file)
        target = dir(header)
        if (!(room in below)) {
            if (!(file in told)) print file ": lies in no known room"
            told[file] = 1
            status = 1
            next
        }
        if (target == room) next
        n = split(below[room], allowed, " ")
        for (i = 1; i <= n; ++i) {
            # A whole layer ("platform") admits every room inside it.
            if (target == allowed[i] || (allowed[i] == "platform" && index(target, "platform/") == 1)) next
        }
        print file " includes " header ", above its own room"
        status = 1
    }
    END { exit status }'
