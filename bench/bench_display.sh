# Shared by the comparison scripts: a private Xvfb with openbox and one of two desktops.
#   pattern: test-pattern windows of flat colours and stripes on black (flatters every encoder);
#   photo:   a photograph-like wallpaper with a terminal, a clock and a calculator on it.
# Source it; call start_display WIDTHxHEIGHT [pattern|photo], then use $DISPLAY; stop_display at
# the end.

bench_pids=()
bench_wallpapers=$(mktemp -d)

bench_need() {  # bench_need COMMAND PACKAGE: installs PACKAGE when COMMAND is missing (as root)
    command -v "$1" >/dev/null && return
    [ "$(id -u)" -eq 0 ] || { echo "missing $1 (package $2)" >&2; return 1; }
    apt-get install -y -qq --no-install-recommends "$2" >/dev/null
}

# ImageMagick's convert, also where another program of that name comes first on PATH.
bench_wallpaper() {  # bench_wallpaper WIDTHxHEIGHT FILE: the photograph-like wallpaper
    [ -x /usr/bin/convert ] || { bench_need no-such-command imagemagick; }
    /usr/bin/convert -size "$1" -seed 4242 plasma:steelblue-darkslateblue -blur 0x1.5 "$2"
}

start_display() {
    local size=$1 content=${2:-pattern} w=${1%x*} h=${1#*x}
    exec {fd}< <(Xvfb -displayfd 1 -screen 0 "${size}x24" -nolisten tcp 2>/dev/null & echo "pid $!")
    local _ pid number
    read -r _ pid <&"$fd"
    read -r number <&"$fd"
    bench_pids+=("$pid")
    export DISPLAY=":$number"
    openbox --sm-disable >/dev/null 2>&1 &
    bench_pids+=("$!")
    sleep 1
    if [ "$content" = photo ]; then
        bench_need xterm xterm && bench_need xclock x11-apps
        local wall="$bench_wallpapers/$size.png"
        [ -f "$wall" ] || bench_wallpaper "$size" "$wall"
        display -window root "$wall" || true  # sets the background, then exits 1
        xterm -geometry 100x40+$((w / 12))+$((h / 10)) -e sh -c 'ls -l /usr/bin | head -200; sleep 1000' &
        bench_pids+=("$!")
        xclock -geometry 220x220+$((w * 2 / 3))+$((h / 12)) &
        bench_pids+=("$!")
        xcalc -geometry +$((w * 3 / 5))+$((h / 2)) &
        bench_pids+=("$!")
    else
        # Screen-like content: a few overlapping windows of distinct patterns.
        build/tests/quillet_test_pattern \
            --window "$((w / 10)),$((h / 10)),$((w / 2)),$((h / 2)),editor" \
            --window "$((w / 3)),$((h / 4)),$((w / 2)),$((h / 2)),browser" \
            --window "$((w / 20)),$((h / 2)),$((w / 3)),$((h / 3)),terminal" >/dev/null &
        bench_pids+=("$!")
    fi
    sleep 1.5
}

stop_display() {
    for p in "${bench_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    bench_pids=()
    sleep 0.5
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

now_ms() { date +%s%N | awk '{ printf "%.1f", $1 / 1000000 }'; }

ratio() { awk "BEGIN { printf \"%.2f\", $1 / $2 }"; }
