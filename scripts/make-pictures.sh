#!/usr/bin/env bash
# Makes the README's pictures in docs/: the real tool on a private Xvfb with openbox and
# test-pattern windows, driven by real input (xdotool), the screen taken with ImageMagick's
# `import -window root` and cropped to the capture.
#   docs/selection.png  a selection being dragged: size label, handles, magnifier
#   docs/toolbar.png    the toolbar and the colour bar, with a rectangle drawn
#   docs/prepare_en.png, docs/prepare_zh.png  the prepare panel in English and Chinese
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
command -v import >/dev/null || {
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo="sudo"
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends imagemagick
}
[ -x build/src/quillet-capture ] && [ -x build/tests/quillet_test_pattern ] ||
    scripts/build.sh >/dev/null

# shellcheck source=../bench/bench_display.sh
source bench/bench_display.sh
start_display 1280x800  # openbox and three windows: editor, browser, terminal
work=$(mktemp -d)
tool=""
cleanup() { [ -n "$tool" ] && kill "$tool" 2>/dev/null; stop_display; rm -rf "$work"; }
trap cleanup EXIT
echo '{"Ex": 1}' > "$work/params.json"
build/src/quillet-capture "startfromlocal,$work/params.json,$work/result.json,,0,0,0,0,0,0" \
    2>/dev/null &
tool=$!
sleep 1.5  # the overlay is up well before this (about 0.1 s here)

shot() {  # shot NAME GEOMETRY: the screen, cropped, into docs/NAME.png
    import -window root "$work/screen.png"
    convert "$work/screen.png" -crop "$2" +repage -strip "docs/$1.png"
}
mkdir -p docs
# A selection from (150, 120) to (750, 520), the button still held: the magnifier follows.
xdotool mousemove 150 120 mousedown 1 mousemove 300 250 mousemove 500 380 mousemove 750 520
sleep 0.5
shot selection 800x640+110+70
xdotool mouseup 1
sleep 0.3
# The rectangle tool (the toolbar's first button under the selection), then in the colour bar
# below it the largest pen and white, and a rectangle drawn inside the selection.
xdotool mousemove 387 541 click 1
sleep 0.3
xdotool mousemove 424 579 click 1 mousemove 610 579 click 1
xdotool mousemove 260 190 mousedown 1 mousemove 360 250 mousemove 470 310 mouseup 1
sleep 0.3
shot toolbar 700x560+110+70
xdotool key Escape
wait "$tool" || true
tool=""

# The prepare panel (flag 3), 280 x 185 in the middle of the screen, in both languages.
for language in en zh; do
    [ $language = en ] && echo '{"Ex": 1}' > "$work/params.json" || echo '{}' > "$work/params.json"
    build/src/quillet-capture "startfromlocal,$work/params.json,$work/result.json,,0,3,0,0,0,0" \
        2>/dev/null &
    tool=$!
    sleep 1.5
    shot "prepare_$language" 300x205+490+297
    xdotool key Escape
    wait "$tool" || true
    tool=""
done
ls -l docs/*.png
