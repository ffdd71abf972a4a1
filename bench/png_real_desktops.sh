#!/usr/bin/env bash
# The PNG encoders on grabs of the comparison scripts' photograph-like desktop (a wallpaper with a
# terminal, a clock and a calculator on a private Xvfb), at 1920x1080 and 3840x2160: ours on all
# cores and on one, Qt's writer, and fpnge on one thread when its sources are beside the project.
#   usage: bench/png_real_desktops.sh [benchmark arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh >/dev/null
source bench/bench_display.sh
work=$(mktemp -d)
trap 'stop_display; rm -rf "$work" "$bench_wallpapers"' EXIT
[ -x /usr/bin/import ] || bench_need no-such-command imagemagick
files=()
for size in 1920x1080 3840x2160; do
    start_display "$size" photo
    /usr/bin/import -window root "$work/desktop-$size.png"
    files+=("$work/desktop-$size.png")
    stop_display
done
QUILLET_PNG_BENCH_FILES=$(IFS=:; echo "${files[*]}") build/bench/quillet_png_bench \
    --benchmark_filter='/height:0/' "$@"
