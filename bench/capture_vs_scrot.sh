#!/usr/bin/env bash
# Automatic whole-screen capture to a clipboard that outlives the capturing process:
# quillet-capture against `scrot - | xclip -selection clipboard -t image/png`, interleaved in
# one run, at 1920x1080 and 3840x2160, on the test-pattern and on the photograph-like desktop
# (Xvfb with openbox). Medians, and their ratios (ours / peer), of:
#   (a) from exec until the capturing command has returned (the host is unblocked);
#   (b) from exec until a paste started right after it has returned the whole PNG;
#   (c) the size of that PNG.
# With QUILLET_BASELINE=<another quillet-capture>, that build runs in the same rounds too.
#   usage: bench/capture_vs_scrot.sh [rounds]   (default 9)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-9}
scripts/build.sh >/dev/null
source bench/bench_display.sh
bench_need scrot scrot
trap stop_display EXIT
work=$(mktemp -d)
echo '{}' > "$work/params.json"
launch="startfromlocal,$work/params.json,$work/result.json,,0,2,0,0,0,0"

ours() { build/src/quillet-capture "$launch" 2>/dev/null; }
before() { "$QUILLET_BASELINE" "$launch" 2>/dev/null; }
peer() { scrot - | xclip -selection clipboard -t image/png; }
contestants=(ours)
[ -n "${QUILLET_BASELINE:-}" ] && contestants+=(before)
contestants+=(peer)

# Prints "<returned ms> <pasted ms> <png bytes>" for one run of a capture command.
measure() {
    local start returned pasted bytes
    start=$(now_ms)
    "$1" || true
    returned=$(now_ms)
    bytes=$(xclip -selection clipboard -t image/png -o | wc -c)
    pasted=$(now_ms)
    echo "$(awk "BEGIN { print $returned - $start, $pasted - $start }") $bytes"
    # Take the clipboard back so that the owner of this round exits before the next one.
    echo x | xclip -selection clipboard
    sleep 0.3
}

for content in pattern photo; do
    for size in 1920x1080 3840x2160; do
        start_display "$size" "$content"
        for c in "${contestants[@]}"; do : > "$work/$c"; done
        for _ in $(seq "$rounds"); do
            for c in "${contestants[@]}"; do measure "$c" >> "$work/$c"; done
        done
        stop_display
        for col in 1 2 3; do
            what=(- "command returned" "paste complete" "PNG bytes")
            unit=$([ $col = 3 ] && echo "" || echo " ms")
            p=$(cut -d' ' -f$col "$work/peer" | median)
            line="$size $content: ${what[$col]}:"
            for c in "${contestants[@]}"; do
                [ "$c" = peer ] && continue
                v=$(cut -d' ' -f$col "$work/$c" | median)
                line+=" $c $v$unit (ratio $(ratio "$v" "$p")),"
            done
            echo "$line scrot|xclip $p$unit"
        done
    done
done
rm -rf "$work"
