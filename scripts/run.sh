#!/usr/bin/env bash
# Installs what is missing, builds, and runs one capture the way a host launches it.
#   On an X display ($DISPLAY): an interactive capture; the outcome is printed at the end.
#   Without a display: a short demonstration on a private virtual display (Xvfb + openbox):
#   an automatic whole-screen capture, whose clipboard image is saved as quillet-demo.png.
# Usage: scripts/run.sh [AutoCaptureFlag [x y width height]]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# Only what this script runs: the tool, its clipboard helper and the windows of the demonstration.
scripts/build.sh --target quillet-capture quillet-clipboard-helper quillet_test_pattern >/dev/null

flag=${1:-0}; x=${2:-0}; y=${3:-0}; w=${4:-0}; h=${5:-0}
work=$(mktemp -d)
pids=()
cleanup() { for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT
echo '{"Ex": 1}' > "$work/params.json"

capture() {
    local status=0
    build/src/quillet-capture "startfromlocal,$work/params.json,$work/result.json,,0,$1,$x,$y,$w,$h" \
        || status=$?
    echo "exit status: $status (1 finished, 2 cancelled, 3 saved, 253 = -3 cannot record)"
    if [ -f "$work/result.json" ]; then echo "result file:"; cat "$work/result.json"; echo; fi
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    capture "$flag"
    exit 0
fi

echo "No X display: demonstrating on a private virtual display."
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x800x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&3; pids+=("$xvfb_pid")
read -r number <&3
export DISPLAY=":$number"
# The private display is a plain X server, whatever desktop this script was started from.
unset WAYLAND_DISPLAY XDG_SESSION_TYPE
openbox --sm-disable >/dev/null 2>&1 & pids+=("$!")
# Something to capture: two windows of a test pattern, the front one overlapping the other.
if [ -x build/tests/quillet_test_pattern ]; then
    build/tests/quillet_test_pattern --window 120,90,640,400,editor --window 520,300,600,420,browser \
        > "$work/pattern.log" 2>&1 & pids+=("$!")
    for _ in $(seq 50); do [ "$(wc -l < "$work/pattern.log")" -ge 2 ] && break; sleep 0.1; done
fi
[ "$flag" = 0 ] && flag=2
capture "$flag"
if xclip -selection clipboard -t image/png -o > quillet-demo.png 2>/dev/null && [ -s quillet-demo.png ]; then
    echo "The clipboard image was saved as quillet-demo.png"
else
    rm -f quillet-demo.png
    echo "The clipboard holds no image."
fi
