# Shared by the comparison scripts: a private Xvfb with openbox and test-pattern windows.
# Source it; call start_display WIDTHxHEIGHT, then use $DISPLAY; stop_display at the end.

bench_pids=()

start_display() {
    local size=$1 w=${1%x*} h=${1#*x}
    exec {fd}< <(Xvfb -displayfd 1 -screen 0 "${size}x24" -nolisten tcp 2>/dev/null & echo "pid $!")
    local _ pid number
    read -r _ pid <&"$fd"
    read -r number <&"$fd"
    bench_pids+=("$pid")
    export DISPLAY=":$number"
    openbox --sm-disable >/dev/null 2>&1 &
    bench_pids+=("$!")
    sleep 1
    # Screen-like content: a few overlapping windows of distinct patterns.
    build/tests/quillet_test_pattern \
        --window "$((w / 10)),$((h / 10)),$((w / 2)),$((h / 2)),editor" \
        --window "$((w / 3)),$((h / 4)),$((w / 2)),$((h / 2)),browser" \
        --window "$((w / 20)),$((h / 2)),$((w / 3)),$((h / 3)),terminal" >/dev/null &
    bench_pids+=("$!")
    sleep 1
}

stop_display() {
    for p in "${bench_pids[@]}"; do kill "$p" 2>/dev/null || true; done
    bench_pids=()
    sleep 0.5
}

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

now_ms() { date +%s%N | awk '{ printf "%.1f", $1 / 1000000 }'; }
