#!/usr/bin/env bash
# Installs the Debian packages Belltide needs, on Debian 12 or 13. Quick when
# everything is there: then it needs neither root nor the network.
#   scripts/install-deps.sh          build and run
#   scripts/install-deps.sh --package  also what builds the Debian package
#   scripts/install-deps.sh --test   also what the tests and benchmarks use
#                                    (the package's tools and checkers too)
set -euo pipefail

release=$(. /etc/os-release && echo "${VERSION_ID:-}")
case "$release" in
  12|13) ;;
  *) echo "install-deps.sh: Debian 12 or 13 expected, this is '${release:-unknown}'; trying Debian 13's names" >&2
     release=13 ;;
esac

# What every release needs. The lists per release below add what differs:
# package names (the t64 renames of Debian 13) and the media backend Qt
# plays MP3, WAV and WMA through (GStreamer's plugins on Qt 6.4, FFmpeg's
# libraries on Qt 6.8).
run_pkgs=(
  cmake g++ make pkgconf
  qt6-base-dev qt6-multimedia-dev qt6-webengine-dev
  qt6-wayland libxcb1-dev
  libgl1-mesa-dri fonts-comic-neue fonts-liberation fonts-dejavu-core
  libpulse0 xdg-utils
  xvfb xauth
)
package_pkgs=(
  build-essential debhelper dpkg-dev fakeroot
)
test_pkgs=(
  lintian appstream
  pulseaudio pulseaudio-utils ffmpeg xdotool openbox x11-utils
  imagemagick desktop-file-utils file libx11-dev libxdamage-dev
  xclip faketime valgrind
  dbus python3-dbusmock mutter xwayland python3-gi gir1.2-gtk-3.0
  xdg-desktop-portal xdg-desktop-portal-gtk xdg-desktop-portal-kde systemd
)
case "$release" in
  12)
    run_pkgs+=(libasound2
      gstreamer1.0-plugins-base gstreamer1.0-plugins-good
      gstreamer1.0-plugins-ugly gstreamer1.0-libav)
    ;;
  13)
    run_pkgs+=(libasound2t64 libavcodec61 libavformat61)
    ;;
esac

want=("${run_pkgs[@]}")
case "${1:-}" in
  --test) want+=("${package_pkgs[@]}" "${test_pkgs[@]}") ;;
  --package) want+=("${package_pkgs[@]}") ;;
esac

# A name counts as there when a package of that name is installed or an
# installed package provides it (a virtual name, or an old name kept by a
# renamed package).
declare -A there=()
while read -r name provides; do
  there[$name]=1
  provides=$(sed -E 's/ *\([^)]*\)//g; s/,/ /g' <<<"$provides")
  for p in $provides; do there[${p%%:*}]=1; done
done < <(dpkg-query -W -f='${db:Status-Abbrev}${Package} ${Provides}\n' 2>/dev/null | sed -n 's/^ii //p')
missing=()
for p in "${want[@]}"; do
  [[ -n ${there[$p]:-} ]] || missing+=("$p")
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
