#!/usr/bin/env bash
# Launch time until the frozen, darkened overlay covers the whole screen, and peak memory:
# quillet-capture against `flameshot gui`, interleaved in one run, at 1920x1080 and 3840x2160,
# on the test-pattern and on the photograph-like desktop (Xvfb with openbox). Prints the
# medians and the ratios (ours / flameshot), and beside them the toolkit's floor: a bare Qt
# Widgets program showing one full-screen window that paints a screen-sized image
# (bench/toolkit_floor_main.cpp), with the ratio ours / floor. With
# QUILLET_BASELINE=<another quillet-capture>, that build runs in the same rounds too.
#   usage: bench/launch_vs_flameshot.sh [rounds]   (default 9)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-9}
scripts/build.sh >/dev/null
source bench/bench_display.sh
bench_need flameshot flameshot
trap stop_display EXIT
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
work=$(mktemp -d)
echo '{}' > "$work/params.json"
watch=build/bench/quillet_launch_watch
launch="startfromlocal,$work/params.json,$work/result.json,,0,0,0,0,0,0"
contestants=(ours)
[ -n "${QUILLET_BASELINE:-}" ] && contestants+=(before)
contestants+=(floor peer)

run() {
    case $1 in
        ours) "$watch" build/src/quillet-capture "$launch" ;;
        before) "$watch" "$QUILLET_BASELINE" "$launch" ;;
        floor) "$watch" build/bench/quillet_toolkit_floor ;;
        peer) "$watch" flameshot gui ;;
    esac
}

for content in pattern photo; do
    for size in 1920x1080 3840x2160; do
        start_display "$size" "$content"
        for c in "${contestants[@]}"; do : > "$work/$c"; done
        for _ in $(seq "$rounds"); do
            for c in "${contestants[@]}"; do run "$c" 2>/dev/null >> "$work/$c"; done
        done
        stop_display
        p_paint=$(cut -d' ' -f2 "$work/peer" | median)
        p_mem=$(cut -d' ' -f3 "$work/peer" | median)
        f_paint=$(cut -d' ' -f2 "$work/floor" | median)
        paint="$size $content: overlay painted:"
        memory="$size $content: peak memory:"
        for c in "${contestants[@]}"; do
            [ "$c" = peer ] || [ "$c" = floor ] && continue
            v=$(cut -d' ' -f2 "$work/$c" | median)
            m=$(cut -d' ' -f3 "$work/$c" | median)
            paint+=" $c $v ms (ratio $(ratio "$v" "$p_paint"); of the floor $(ratio "$v" "$f_paint")),"
            memory+=" $c $(awk "BEGIN { printf \"%d\", $m / 1024 }") MB (ratio $(ratio "$m" "$p_mem")),"
        done
        echo "$paint flameshot $p_paint ms, toolkit floor $f_paint ms"
        echo "$memory flameshot $(awk "BEGIN { printf \"%d\", $p_mem / 1024 }") MB"
    done
done
rm -rf "$work"
