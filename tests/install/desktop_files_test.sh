#!/usr/bin/env bash
# The desktop entry and the AppStream metadata as the desktop's own tools read them.
# Arguments: BUILD. Skipped (77) where the tools are not installed.
set -euo pipefail
build=$1
id=org.pixello.Pixello
missing=()
for tool in desktop-file-validate appstreamcli; do
    command -v $tool >/dev/null || missing+=("$tool")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "skipped: ${missing[*]} not installed (scripts/setup installs desktop-file-utils and appstream)"
    exit 77
fi
desktop-file-validate "$build/packaging/$id.desktop"
appstreamcli validate --no-net --explain "$build/packaging/$id.metainfo.xml"
