#!/usr/bin/env bash
# Installs the Debian 12 packages Belltide needs. Quick when everything is there.
#   scripts/install-deps.sh          build and run
#   scripts/install-deps.sh --package  also what builds the Debian package
#   scripts/install-deps.sh --test   also what the tests and benchmarks use
#                                    (the package's tools and checkers too)
set -euo pipefail

run_pkgs=(
  cmake g++ make pkgconf
  qt6-base-dev qt6-multimedia-dev qt6-webengine-dev
  qt6-wayland libxcb1-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-ugly gstreamer1.0-libav
  libgl1-mesa-dri fonts-comic-neue fonts-liberation
  libpulse0 libasound2 xdg-utils
  xvfb xauth
)
package_pkgs=(
  debhelper dpkg-dev fakeroot
)
test_pkgs=(
  "${package_pkgs[@]}" lintian appstream
  pulseaudio pulseaudio-utils ffmpeg xdotool openbox x11-utils
  imagemagick desktop-file-utils dpkg-dev file libx11-dev libxdamage-dev
  xclip faketime valgrind
  dbus python3-dbusmock mutter xwayland python3-gi gir1.2-gtk-3.0
  xdg-desktop-portal xdg-desktop-portal-gtk xdg-desktop-portal-kde systemd
)

want=("${run_pkgs[@]}")
case "${1:-}" in
  --test) want+=("${test_pkgs[@]}") ;;
  --package) want+=("${package_pkgs[@]}") ;;
esac

missing=()
for p in "${want[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -ne 0 ]] && sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
# Another package manager run (unattended upgrades at boot, another install)
# holds the lock for a while: wait for it rather than fail.
# The package lists' lock has no such wait in apt: retry while it is held.
apt=("${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600)
errors=$(mktemp)
for _ in $(seq 60); do
  status=0
  "${apt[@]}" update -q 2>"$errors" || status=$?
  cat "$errors" >&2
  ((status == 0)) && break
  grep -q 'Could not get lock' "$errors" || { rm -f "$errors"; exit "$status"; }
  echo "Waiting for another package manager run to finish" >&2
  sleep 10
done
rm -f "$errors"
"${apt[@]}" install -y -q --no-install-recommends "${missing[@]}"
