# Shared by the Wayland comparison scripts: a private headless sway of one output showing a
# photograph-like wallpaper. Source it after bench_display.sh, with $work a private folder;
# start_sway WIDTHxHEIGHT sets WAYLAND_DISPLAY and the clients' XDG_RUNTIME_DIR (and SWAYSOCK);
# stop_sway ends it. sway refuses root: as root it runs as nobody. $sway_extra_config, when set,
# is added to sway's configuration.
sway_pid=""

start_sway() {
    local size=$1 run=()
    local wall="$work/wall-$size.png" dir="$work/sway-$size"
    bench_wallpaper "$size" "$wall"
    chmod 644 "$wall"
    mkdir -p "$dir/runtime" "$dir/client"
    chmod 700 "$dir/runtime" "$dir/client"
    [ "$(id -u)" -eq 0 ] && { chown nobody "$dir/runtime"; run=(runuser -u nobody --); }
    printf 'xwayland disable\noutput HEADLESS-1 resolution %s bg %s fill\n%s\n' "$size" "$wall" \
        "${sway_extra_config:-}" > "$dir/sway.conf"
    chmod 644 "$dir/sway.conf"
    env WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
        WLR_HEADLESS_OUTPUTS=1 XDG_RUNTIME_DIR="$dir/runtime" HOME="$dir" \
        "${run[@]}" sway -c "$dir/sway.conf" >/dev/null 2>&1 &
    sway_pid=$!
    export XDG_RUNTIME_DIR="$dir/client"
    export WAYLAND_DISPLAY="$dir/runtime/wayland-1"
    unset DISPLAY
    for _ in $(seq 100); do [ -S "$WAYLAND_DISPLAY" ] && break; sleep 0.05; done
    # Its IPC socket (the window list asks it) comes later, after the outputs are set up.
    local sockets=()
    for _ in $(seq 200); do
        sockets=("$dir"/runtime/sway-ipc.*.sock)
        [ -S "${sockets[0]}" ] && break
        sleep 0.05
    done
    export SWAYSOCK="${sockets[0]}"
    sleep 1.5  # the wallpaper client draws after the compositor is up
}

stop_sway() {
    # A clipboard owner left by the last round goes first, so that it does not report the lost
    # compositor.
    echo x | wl-copy --clear 2>/dev/null || true
    [ -n "$sway_pid" ] && kill "$sway_pid" 2>/dev/null || true
    sway_pid=""
    sleep 0.5
}
