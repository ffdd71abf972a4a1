#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test QuilletCapture.
# Installs only what is missing; uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-base-private-dev qt6-svg-dev libgl-dev
    libxcb1-dev libxcb-shm0-dev libxcb-damage0-dev libxcb-randr0-dev
    libwayland-dev libwayland-bin qt6-wayland
    libgtest-dev libbenchmark-dev zlib1g-dev
    xvfb xdotool xclip x11-utils x11-xserver-utils openbox
    sway swaybg grim wl-clipboard wtype
    dbus-daemon libglib2.0-bin pipewire-bin
    xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk
    kwin-wayland xwayland plasma-wayland-protocols mutter
    fonts-liberation fonts-wqy-microhei
    fcitx5 fcitx5-chinese-addons fcitx5-frontend-qt6 ibus ibus-libpinyin
    clang-format
    python3 dpkg-dev
)

# scripts/fuzz.sh (--fuzz): clang, then the runtime libraries (libFuzzer, sanitizers) of that
# clang's version.
fuzz=false
if [ "${1:-}" = --fuzz ]; then
    fuzz=true
    packages+=(clang)
fi

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
updated=false
install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    if ! $updated; then
        $sudo apt-get update -qq
        updated=true
    fi
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

install_missing "${packages[@]}"
if $fuzz; then
    major=$(clang --version | sed -nE 's/.*clang version ([0-9]+)\..*/\1/p' | head -n 1)
    [ -n "$major" ] || { echo "cannot tell clang's version" >&2; exit 1; }
    install_missing "libclang-rt-$major-dev"
fi
