#!/usr/bin/env bash
# Launch to overlay in a Wayland session, three contestants measured alike and interleaved in
# one run, on a private headless sway at 1920x1080 and 3840x2160 showing a photograph-like
# wallpaper with a small window under the pointer:
#   ours:  quillet-capture, interactive (the window under the pointer offered, the rest darkened);
#   floor: a bare Qt 6 full-screen window painting a screen-sized image (quillet_toolkit_floor);
#   confirmed floor: the same window confirming its activation by a commit, as the
#          tool does (sway holds a full-screen window back up to 200 ms for that commit, which
#          Qt alone does not make): the least any Qt overlay costs here;
#   slurp: the region selector sway users run (its translucent tint over the output).
# Each launch is watched by quillet_wl_overlay_watch: from exec until the first screencopy frame
# in which nearly all sampled pixels differ from the desktop ("covered"), and until the first
# that differs at all ("first change"). Medians of each, and ours against the others. With
# QUILLET_BASELINE=<another quillet-capture>, that build runs in the same rounds too.
#   usage: bench/wayland_overlay_vs_peers.sh [rounds] [sizes...]   (default 9; both sizes)
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-9}
shift || true
sizes=("${@:-1920x1080 3840x2160}")
read -r -a sizes <<< "${sizes[*]}"
# One size per process: each starts from a clean slate (its own compositor, pointer and files).
if [ "${#sizes[@]}" -gt 1 ]; then
    for size in "${sizes[@]}"; do "$0" "$rounds" "$size"; done
    exit
fi
scripts/build.sh >/dev/null
source bench/bench_display.sh
bench_need slurp slurp
work=$(mktemp -d)
chmod 755 "$work"
echo '{}' > "$work/params.json"
interactive="startfromlocal,$work/params.json,$work/result.json,,0,0,0,0,0,0"
source bench/bench_sway.sh
# The window under the pointer floats at the output's centre, at the size it asks for.
sway_extra_config='for_window [title="bench-window"] floating enable'
pointer_pid=""
stop_all() {
    [ -n "$pointer_pid" ] && kill "$pointer_pid" 2>/dev/null || true
    pointer_pid=""
    stop_sway
}
trap 'stop_all; rm -rf "$work"' EXIT

contestants=(ours floor confirmed slurp)
[ -n "${QUILLET_BASELINE:-}" ] && contestants+=(baseline)
command_of() {  # the command line of contestant $1, in the array `cmd`
    case $1 in
        ours) cmd=(build/src/quillet-capture "$interactive") ;;
        baseline) cmd=("$QUILLET_BASELINE" "$interactive") ;;
        floor) cmd=(env QT_QPA_PLATFORM=wayland build/bench/quillet_toolkit_floor) ;;
        confirmed) cmd=(env QT_QPA_PLATFORM=wayland build/bench/quillet_toolkit_floor --confirm) ;;
        # slurp 1.4.0 crashes when the seat has a virtual keyboard; this one has a pointer only.
        slurp) cmd=(slurp) ;;
    esac
}

for size in "${sizes[@]}"; do
    w=${size%x*} h=${size#*x}
    start_sway "$size"
    build/tests/quillet_wl_window bench-window '#e8e4d8' 400 250 >/dev/null 2>&1 &
    window_pid=$!
    # The pointer stays on the seat while its program runs: its input stays open until then.
    rm -f "$work/pointer.in"
    mkfifo "$work/pointer.in"
    build/tests/quillet_wl_pointer "$w" "$h" < "$work/pointer.in" > "$work/pointer.out" &
    pointer_pid=$!
    exec {pointer_fd}> "$work/pointer.in"
    sleep 1
    echo "move $((w / 2)) $((h / 2))" >&"$pointer_fd"
    for _ in $(seq 50); do grep -q ok "$work/pointer.out" && break; sleep 0.1; done
    for c in "${contestants[@]}"; do : > "$work/$c"; done
    for _ in $(seq "$rounds"); do
        for c in "${contestants[@]}"; do
            command_of "$c"
            build/bench/quillet_wl_overlay_watch "${cmd[@]}" >> "$work/$c" 2>/dev/null ||
                echo "- -" >> "$work/$c"
            sleep 0.3
        done
    done
    kill "$window_pid" 2>/dev/null || true
    exec {pointer_fd}>&-
    stop_all
    for col in 1 2; do
        what=(- "covered" "first change")
        v=$(cut -d' ' -f$col "$work/ours" | grep -v -- - | median)
        f=$(cut -d' ' -f$col "$work/floor" | grep -v -- - | median)
        k=$(cut -d' ' -f$col "$work/confirmed" | grep -v -- - | median)
        s=$(cut -d' ' -f$col "$work/slurp" | grep -v -- - | median)
        echo "$size sway: ${what[$col]}: ours $v ms, Qt floor $f ms (ratio $(ratio "$v" "$f"))," \
            "confirmed Qt floor $k ms (ratio $(ratio "$v" "$k")), slurp $s ms (ratio $(ratio "$v" "$s"))"
    done
    if [ -n "${QUILLET_BASELINE:-}" ]; then
        b=$(cut -d' ' -f1 "$work/baseline" | grep -v -- - | median)
        echo "$size sway: covered: baseline $b ms, ours / baseline $(ratio "$(cut -d' ' -f1 \
            "$work/ours" | grep -v -- - | median)" "$b")"
    fi
    for c in "${contestants[@]}"; do
        echo "  $c rounds: $(cut -d' ' -f1 "$work/$c" | tr '\n' ' ')"
    done
done
