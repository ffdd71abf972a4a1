#!/usr/bin/env bash
# Fails when two source folders include each other, directly or through others: the folders
# under src/ must form layers (app on top, platform and model at the bottom). The concrete
# platform back ends (platform/qtxcb, platform/wayland) count as folders of their own, which
# only app/ picks: everything else reaches the system through the interfaces in platform/. So do
# the services both back ends use (platform/system, platform/qt), which only app/ and the back
# ends include, and which include no back end.
set -euo pipefail
cd "$(dirname "$0")/../src"
# "folder included-folder" for every include of another folder; platform/qtxcb is "qtxcb",
# platform/wayland "wayland", platform/system "system", platform/qt "qt".
edges=$(grep -rHoE '^#include "[a-z_]+/([a-z_]+/)?' --include='*.h' --include='*.cpp' . |
    sed -E -e 's#^\./platform/(qtxcb|wayland|system|qt)/#./\1/#' \
        -e 's#^\./([a-z_]+)/[^:]*:\#include "platform/(qtxcb|wayland|system|qt)/#\1 \2#' \
        -e 's#^\./([a-z_]+)/[^:]*:\#include "([a-z_]+)/.*#\1 \2#' | awk '$1 != $2' | sort -u)
# Folder-level cycle search: tsort reports a loop on standard error.
loops=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null || true)
if [ -n "$loops" ]; then
    echo "include cycle between folders:" >&2
    echo "$loops" >&2
    exit 1
fi
backEnd=$(printf '%s\n' "$edges" | awk '($2 == "qtxcb" || $2 == "wayland") && $1 != "app"')
if [ -n "$backEnd" ]; then
    echo "only app/ may include a platform back end (platform/qtxcb, platform/wayland):" >&2
    echo "$backEnd" >&2
    exit 1
fi
shared=$(printf '%s\n' "$edges" | awk '
    ($2 == "system" || $2 == "qt") && $1 != "app" && $1 != "qtxcb" && $1 != "wayland"
    ($1 == "system" || $1 == "qt") && ($2 == "qtxcb" || $2 == "wayland")')
if [ -n "$shared" ]; then
    echo "platform/system and platform/qt are for app/ and the back ends, and include none:" >&2
    echo "$shared" >&2
    exit 1
fi
# The PNG codec (platform/png) is a library of its own: it reaches nothing of ours beyond itself
# and the thread helper, and no toolkit header beyond QtCore's.
codec=$(grep -rHoE '^#include [<"][^>"]+' platform/png | sed -E 's/^[^:]+:#include [<"]//' |
    grep -vE '^(platform/png/|platform/parallel_rows\.h$|Qt(Global|Endian)?$|QByteArray$|zlib\.h$|[a-z_0-9]+(\.h)?$)' ||
    true)
if [ -n "$codec" ]; then
    echo "platform/png includes what is not its own, the thread helper, QtCore's or the C++ library:" >&2
    echo "$codec" >&2
    exit 1
fi
echo "folders form layers: $(printf '%s\n' "$edges" | tsort | tac | tr '\n' ' ')"
