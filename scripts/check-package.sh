#!/usr/bin/env bash
# Installs the Debian package with apt-get (which brings its dependencies) and runs one
# automatic whole-screen capture with the installed /usr/bin/quillet-capture on a private
# Xvfb: exit status 1, a result file of Type 1 with the screen's size, a PNG on the clipboard;
# then an interactive one, whose window must show.
# The package stays installed (`apt-get remove quillet-capture` removes it).
# Usage: scripts/check-package.sh [package file, default build-package/quillet-capture_*.deb]
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(realpath "${1:-$(ls build-package/quillet-capture_*_amd64.deb | tail -n 1)}")
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "$deb" >/dev/null
tool=/usr/bin/quillet-capture
echo "installed: $("$tool" --version)"
# KWin serves its screenshots to the binary its entry names, exactly.
grep -qx "Exec=$tool" /usr/share/applications/quillet-capture-kwin.desktop ||
    { echo "package check failed: no KWin entry for $tool" >&2; exit 1; }

work=$(mktemp -d)
xvfb_pid=""
cleanup() { [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r _ xvfb_pid <&3
read -r number <&3
echo '{"Ex": 1}' > "$work/params.json"
status=0
env -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE DISPLAY=":$number" \
    "$tool" "startfromlocal,$work/params.json,$work/result.json,,0,2,0,0,0,0" \
    2> "$work/stderr.txt" || status=$?
fail() { echo "package check failed: $*" >&2; cat "$work/stderr.txt" >&2; exit 1; }
[ "$status" -eq 1 ] || fail "exit status $status, not 1 (finished)"
python3 - "$work/result.json" <<'PY' || fail "result file"
import json, sys
r = json.load(open(sys.argv[1], encoding="utf-8"))
want = {"Type": 1, "x": 0, "y": 0, "Width": 1024, "Height": 768, "Info": ""}
got = {k: r.get(k) for k in want}
sys.exit(0 if got == want else f"result {r}, expected {want}")
PY
! grep -q 'QStandardPaths\|^qt\.' "$work/stderr.txt" || fail "Qt warned on standard error"
if command -v xclip >/dev/null; then
    DISPLAY=":$number" xclip -selection clipboard -t image/png -o > "$work/pasted.png"
    [ "$(head -c 8 "$work/pasted.png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
        fail "the clipboard holds no PNG"
fi
# An interactive capture loads the installed toolkit library: its window shows; a signal
# cancels it.
if command -v xdotool >/dev/null; then
    env -u WAYLAND_DISPLAY -u XDG_SESSION_TYPE DISPLAY=":$number" \
        "$tool" "startfromlocal,$work/params.json,$work/result2.json,,0,0,0,0,0,0" \
        2> "$work/stderr.txt" &
    pid=$!
    DISPLAY=":$number" timeout 20 xdotool search --sync --onlyvisible --pid "$pid" >/dev/null ||
        fail "the interactive capture showed no window"
    kill -TERM "$pid"
    status=0
    wait "$pid" || status=$?
    [ "$status" -eq 2 ] || fail "interactive capture: exit status $status, not 2 (cancelled)"
fi
echo "package check passed: automatic and interactive captures with the installed tool"
