#!/usr/bin/env bash
# Configures and builds into build/.
# Usage: scripts/build.sh [cmake configure arguments...] [--target TARGET...]
# Without --target everything is built; with it, only the targets named (and what they need).
set -euo pipefail
cd "$(dirname "$0")/.."
configure=()
targets=()
while [ $# -gt 0 ]; do
    if [ "$1" = --target ]; then
        shift
        targets+=("$@")
        break
    fi
    configure+=("$1")
    shift
done
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configure[@]}" >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
    cmake --build build -j "$(nproc)" --target "${targets[@]}"
else
    cmake --build build -j "$(nproc)"
fi
