#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test QuilletCapture.
# Installs only what is missing; uses sudo when not run as root.
set -euo pipefail

packages=(
    cmake g++ make pkg-config
    qt6-base-dev qt6-svg-dev libgl-dev
    libxcb1-dev libxcb-shm0-dev libxcb-damage0-dev libxcb-randr0-dev
    libwayland-dev libwayland-bin qt6-wayland
    libgtest-dev libbenchmark-dev zlib1g-dev
    xvfb xdotool xclip x11-utils x11-xserver-utils openbox
    sway swaybg grim wl-clipboard wtype
    dbus-daemon libglib2.0-bin pipewire-bin
    xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk
    kwin-wayland xwayland plasma-wayland-protocols mutter
    fonts-liberation fonts-wqy-microhei
    clang-format
    python3 dpkg-dev
)

# scripts/fuzz.sh (--fuzz): clang and its runtime libraries (libFuzzer, sanitizers).
fuzz_packages=(clang libclang-rt-14-dev)
[ "${1:-}" = --fuzz ] && packages+=("${fuzz_packages[@]}")

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
