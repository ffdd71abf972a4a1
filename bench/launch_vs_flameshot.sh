#!/usr/bin/env bash
# Launch time until the frozen, darkened overlay covers the whole screen, and peak memory:
# quillet-capture against `flameshot gui`, interleaved in one run, at 1920x1080 and 3840x2160
# on Xvfb with openbox. Prints the medians and the ratios (ours / flameshot).
#   usage: bench/launch_vs_flameshot.sh [rounds]   (default 9)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-9}
command -v flameshot >/dev/null || { [ "$(id -u)" -eq 0 ] && apt-get install -y -qq flameshot >/dev/null; }
scripts/build.sh >/dev/null
source bench/bench_display.sh
trap stop_display EXIT
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
work=$(mktemp -d)
echo '{}' > "$work/params.json"
watch=build/bench/quillet_launch_watch
ours=(build/src/quillet-capture "startfromlocal,$work/params.json,$work/result.json,,0,0,0,0,0,0")

for size in 1920x1080 3840x2160; do
    start_display "$size"
    : > "$work/ours"; : > "$work/peer"
    for _ in $(seq "$rounds"); do
        "$watch" "${ours[@]}" 2>/dev/null >> "$work/ours"
        "$watch" flameshot gui 2>/dev/null >> "$work/peer"
    done
    stop_display
    o_paint=$(cut -d' ' -f2 "$work/ours" | median); p_paint=$(cut -d' ' -f2 "$work/peer" | median)
    o_mem=$(cut -d' ' -f3 "$work/ours" | median); p_mem=$(cut -d' ' -f3 "$work/peer" | median)
    echo "$size: overlay painted: ours $o_paint ms, flameshot $p_paint ms, ratio $(awk "BEGIN { printf \"%.2f\", $o_paint / $p_paint }")"
    echo "$size: peak memory: ours $((o_mem / 1024)) MB, flameshot $((p_mem / 1024)) MB"
done
rm -rf "$work"
