#!/usr/bin/env bash
# Installs the Debian 12 packages Belltide needs. Quick when everything is there.
#   scripts/install-deps.sh          build and run
#   scripts/install-deps.sh --test   also what the tests and benchmarks use
set -euo pipefail

run_pkgs=(
  cmake g++ make pkgconf
  qt6-base-dev qt6-multimedia-dev qt6-webengine-dev
  qt6-wayland libxcb1-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  libgl1-mesa-dri fonts-comic-neue fonts-liberation
  libpulse0 libasound2
  xvfb xauth
)
test_pkgs=(
  pulseaudio pulseaudio-utils ffmpeg xdotool openbox x11-utils
  imagemagick desktop-file-utils dpkg-dev file libx11-dev libxdamage-dev
  xclip faketime valgrind
  dbus python3-dbusmock mutter xwayland python3-gi gir1.2-gtk-3.0
)

want=("${run_pkgs[@]}")
[[ "${1:-}" == "--test" ]] && want+=("${test_pkgs[@]}")

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
