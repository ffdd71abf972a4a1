#!/usr/bin/env bash
# Whole screen to a clipboard that outlives the capturing process, timed from exec until a paste
# started right after the capturing command returned has received the whole PNG:
#   peer:  scrot - | xclip -selection clipboard -t image/png
#   ours:  quillet_clipboard_roundtrip (the tool's start-up, grab and ClipboardKeeper)
# on a private Xvfb showing a desktop-like picture, at 1920x1080 and 3840x2160.
# Usage: bench/clipboard_roundtrip.sh [build dir] (RUNS=n, default 9). Needs scrot and xclip.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
runs=${RUNS:-9}
probe="$build/bench/quillet_clipboard_roundtrip"
helper="$build/src/quillet-capture"
work=$(mktemp -d)
trap 'kill "${xvfb:-0}" 2>/dev/null || true; rm -rf "$work"' EXIT

now() { date +%s%N; }
median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for size in 1920x1080 3840x2160; do
    exec 3> "$work/displayfd"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset +extension MIT-SHM \
        >/dev/null 2>&1 &
    xvfb=$!
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/displayfd" ] && break; sleep 0.05; done
    export DISPLAY=":$(head -n1 "$work/displayfd")"
    "$probe" --paint-root

    : > "$work/peer.ms"
    : > "$work/ours.ms"
    for _ in $(seq "$runs"); do
        t0=$(now)
        scrot - | xclip -selection clipboard -t image/png
        xclip -selection clipboard -t image/png -o > "$work/peer.png"
        echo $(( ($(now) - t0) / 1000000 )) >> "$work/peer.ms"

        t0=$(now)
        "$probe" "$helper"
        xclip -selection clipboard -t image/png -o > "$work/ours.png"
        echo $(( ($(now) - t0) / 1000000 )) >> "$work/ours.ms"
    done
    # Both pastes must hold the same picture.
    if ! cmp -s <(convert "$work/peer.png" rgb:-) <(convert "$work/ours.png" rgb:-); then
        echo "$size: the pasted pictures differ" >&2
        exit 1
    fi
    peer=$(median < "$work/peer.ms")
    ours=$(median < "$work/ours.ms")
    printf '%s  peer %4d ms  ours %4d ms  ratio %.2f  (png: peer %d bytes, ours %d bytes; median of %d)\n' \
        "$size" "$peer" "$ours" "$(echo "$ours / $peer" | bc -l)" \
        "$(stat -c %s "$work/peer.png")" "$(stat -c %s "$work/ours.png")" "$runs"
    kill "$xvfb"
    wait "$xvfb" 2>/dev/null || true
    rm -f "$work/displayfd"
done
