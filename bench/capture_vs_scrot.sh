#!/usr/bin/env bash
# Automatic whole-screen capture to a clipboard that outlives the capturing process:
# quillet-capture against `scrot - | xclip -selection clipboard -t image/png`, interleaved in
# one run, at 1920x1080 and 3840x2160 on Xvfb with openbox. Two medians each, and their ratios
# (ours / peer):
#   (a) from exec until the capturing command has returned (the host is unblocked);
#   (b) from exec until a paste started right after it has returned the whole PNG.
#   usage: bench/capture_vs_scrot.sh [rounds]   (default 9)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-9}
command -v scrot >/dev/null || { [ "$(id -u)" -eq 0 ] && apt-get install -y -qq scrot >/dev/null; }
scripts/build.sh >/dev/null
source bench/bench_display.sh
trap stop_display EXIT
work=$(mktemp -d)
echo '{}' > "$work/params.json"

ours() { build/src/quillet-capture "startfromlocal,$work/params.json,$work/result.json,,0,2,0,0,0,0" 2>/dev/null; }
peer() { scrot - | xclip -selection clipboard -t image/png; }

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

for size in 1920x1080 3840x2160; do
    start_display "$size"
    : > "$work/ours"; : > "$work/peer"
    for _ in $(seq "$rounds"); do
        measure ours >> "$work/ours"
        measure peer >> "$work/peer"
    done
    stop_display
    for col in 1 2; do
        o=$(cut -d' ' -f$col "$work/ours" | median); p=$(cut -d' ' -f$col "$work/peer" | median)
        what=$([ $col = 1 ] && echo "command returned" || echo "paste complete")
        echo "$size: $what: ours $o ms, scrot|xclip $p ms, ratio $(awk "BEGIN { printf \"%.2f\", $o / $p }")"
    done
    echo "$size: PNG bytes: ours $(cut -d' ' -f3 "$work/ours" | median), scrot $(cut -d' ' -f3 "$work/peer" | median)"
done
rm -rf "$work"
