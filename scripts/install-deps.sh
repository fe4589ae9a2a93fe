#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Veltane need.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libx11-dev libxext-dev libxrandr-dev libxinerama-dev libxpresent-dev libxtst-dev libxfixes-dev zlib1g-dev libpng-dev
  libwayland-dev wayland-protocols libxkbcommon-dev libglib2.0-dev
  qt6-base-dev qt6-wayland
  libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev clang-format
  xvfb xserver-xephyr xauth x11-utils xdotool imagemagick libxml2-utils groff-base strace
  sway grim wtype swaylock swayidle
  mate-screensaver dbus-daemon mutter systemd
  dpkg-dev file lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
