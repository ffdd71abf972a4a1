#!/usr/bin/env bash
# Configures and builds into build/, or the folder -B names (a build's options stay cached in its
# folder: a sanitizer build belongs in a folder of its own).
# Usage: scripts/build.sh [-B DIR] [cmake configure arguments...] [--target TARGET...]
# Without --target everything is built; with it, only the targets named (and what they need).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build
if [ "${1:-}" = -B ]; then
    dir=$2
    shift 2
fi
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
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${configure[@]}" >/dev/null
if [ ${#targets[@]} -gt 0 ]; then
    cmake --build "$dir" -j "$(nproc)" --target "${targets[@]}"
else
    cmake --build "$dir" -j "$(nproc)"
fi
