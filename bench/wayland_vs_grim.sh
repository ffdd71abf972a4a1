#!/usr/bin/env bash
# Automatic whole-screen capture in a Wayland session, to a clipboard that outlives the
# capturing process: quillet-capture against `grim - | wl-copy -t image/png` (grim's default
# compression, level 6) and the same with `grim -l 1` (its fastest), interleaved in one run, on a private headless sway at 1920x1080 and 3840x2160 showing a photograph-like
# wallpaper. Medians, and their ratios (ours / peer), of:
#   (a) from exec until the capturing command has returned (the host is unblocked);
#   (b) from exec until a paste started right after it has returned the whole PNG;
#   (c) the size of that PNG;
# and ours alone (there is no peer overlay on sway):
#   (d) from exec until the interactive capture's darkened overlay covers the output (a
#       screencopy watcher, about one frame of resolution).
#   usage: bench/wayland_vs_grim.sh [rounds]   (default 9)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-9}
scripts/build.sh >/dev/null
source bench/bench_display.sh
work=$(mktemp -d)
chmod 755 "$work"
echo '{}' > "$work/params.json"
launch="startfromlocal,$work/params.json,$work/result.json,,0,2,0,0,0,0"
interactive="startfromlocal,$work/params.json,$work/result.json,,0,0,0,0,0,0"
source bench/bench_sway.sh
trap 'stop_sway; rm -rf "$work"' EXIT

ours() { build/src/quillet-capture "$launch" 2>/dev/null; }
peer() { grim - | wl-copy -t image/png; }
peer_fast() { grim -l 1 - | wl-copy -t image/png; }
contestants=(ours peer peer_fast)

measure() {
    local start returned pasted bytes
    start=$(now_ms)
    "$1" || true
    returned=$(now_ms)
    bytes=$(timeout 10 wl-paste -t image/png | wc -c)
    pasted=$(now_ms)
    echo "$(awk "BEGIN { print $returned - $start, $pasted - $start }") $bytes"
    # Take the clipboard back so that the owner of this round exits before the next one.
    echo x | wl-copy
    sleep 0.3
}

for size in 1920x1080 3840x2160; do
    start_sway "$size"
    for c in "${contestants[@]}"; do : > "$work/$c"; done
    for _ in $(seq "$rounds"); do
        for c in "${contestants[@]}"; do measure "$c" >> "$work/$c"; done
    done
    : > "$work/overlay"
    for _ in $(seq "$rounds"); do
        build/bench/quillet_wl_overlay_watch --red-left-edge build/src/quillet-capture "$interactive" \
            >> "$work/overlay" 2>/dev/null || true
        sleep 0.3
    done
    stop_sway
    echo "$size photo: overlay painted: ours $(median < "$work/overlay") ms"
    for col in 1 2 3; do
        what=(- "command returned" "paste complete" "PNG bytes")
        unit=$([ $col = 3 ] && echo "" || echo " ms")
        p=$(cut -d' ' -f$col "$work/peer" | median)
        f=$(cut -d' ' -f$col "$work/peer_fast" | median)
        v=$(cut -d' ' -f$col "$work/ours" | median)
        echo "$size photo: ${what[$col]}: ours $v$unit, grim|wl-copy $p$unit (ratio" \
            "$(ratio "$v" "$p")), grim -l 1|wl-copy $f$unit (ratio $(ratio "$v" "$f"))"
    done
done
