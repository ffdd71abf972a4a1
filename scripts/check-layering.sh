#!/usr/bin/env bash
# Fails when two source folders include each other, directly or through others: the folders
# under src/ must form layers (app on top, platform and model at the bottom).
set -euo pipefail
cd "$(dirname "$0")/../src"
edges=$(grep -rHoE '^#include "[a-z_]+/' --include='*.h' --include='*.cpp' . |
    sed -E 's#^\./([a-z_]+)/[^:]*:\#include "([a-z_]+)/#\1 \2#' | awk '$1 != $2' | sort -u)
# Folder-level cycle search: tsort reports a loop on standard error.
loops=$(printf '%s\n' "$edges" | tsort 2>&1 >/dev/null || true)
if [ -n "$loops" ]; then
    echo "include cycle between folders:" >&2
    echo "$loops" >&2
    exit 1
fi
echo "folders form layers: $(printf '%s\n' "$edges" | tsort | tac | tr '\n' ' ')"
