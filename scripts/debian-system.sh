#!/usr/bin/env bash
# Runs a command of this tree in a clean Debian system of another release,
# made with mmdebstrap from Debian's archive (the mirror of this machine's apt
# sources) and kept for later runs outside the tree:
#   /var/cache/belltide/debian-RELEASE   (BELLTIDE_DEBIAN_DIR to choose another)
# It is made when missing and made again when broken. The source goes in
# fresh each run (the files git knows of, as scripts/package.sh copies them),
# and the command builds in that copy.
# The command runs as the caller: as root for root; for an ordinary user as a
# user of the same name and id in the system, who may use sudo there (for
# installing what is missing). Making the system and entering it need root:
# an ordinary user's run asks sudo for them.
#   scripts/debian-system.sh RELEASE COMMAND [ARGS...]   e.g. 13 scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."
tree=$PWD
fail() { echo "debian-system.sh: $*" >&2; exit 1; }

if [[ ${1:-} != --as ]]; then
  (($# >= 2)) || fail "usage: debian-system.sh RELEASE COMMAND [ARGS...]"
  dir=$(realpath -m "${BELLTIDE_DEBIAN_DIR:-/var/cache/belltide/debian-$1}")
  if (($(id -u) == 0)); then
    exec "$tree/scripts/debian-system.sh" --as root "$dir" "$@"
  fi
  command -v sudo >/dev/null || fail "entering the Debian system needs root: run as root or install sudo"
  exec sudo "$tree/scripts/debian-system.sh" --as "$(id -un)" "$dir" "$@"
fi
user=$2 dir=$3 release=$4
shift 4
case "$release" in
  12) suite=bookworm ;;
  13) suite=trixie ;;
  *) fail "Debian 12 or 13, not '$release'" ;;
esac
case "$dir" in
  /|/usr|/var|/home|/root|"$tree"|"$tree"/*) fail "not a folder for a Debian system: $dir" ;;
esac
mkdir -p "$(dirname "$dir")"
# One run at a time in the system.
exec {lock}>"$dir.lock"
flock "$lock"

# The mirror this machine's apt uses for Debian, and its security archive.
sources() {
  apt-get indextargets --format '$(REPO_URI) $(RELEASE)' 'Identifier: Packages' 2>/dev/null | sort -u \
    | while read -r uri rel; do
        case "$rel" in
          *-security) echo "deb ${uri%/} $suite-security main" ;;
          *-updates) echo "deb ${uri%/} $suite-updates main" ;;
          *-*) ;;
          *) echo "deb ${uri%/} $suite main" ;;
        esac
      done | grep -E '/debian(-security)?/? ' || echo "deb http://deb.debian.org/debian $suite main"
}
# What the system is made with; a system made otherwise is made again.
include=sudo,passwd,ca-certificates
stamp=$dir/.belltide-debian-system
whole() {
  [[ $(cat "$stamp" 2>/dev/null) == "$suite $include" ]] && chroot "$dir" /usr/bin/true 2>/dev/null \
    && [[ -z $(chroot "$dir" dpkg --audit 2>&1) ]]
}
mounted_under() { awk -v d="$1/" 'index($2 "/", d) == 1' /proc/self/mounts | grep -q .; }
if ! whole; then
  command -v mmdebstrap >/dev/null || fail "mmdebstrap is missing: apt-get install mmdebstrap"
  for d in "$dir" "$dir.new"; do
    ! mounted_under "$d" || fail "something is still mounted under $d; not removing it"
  done
  [[ -e $dir ]] && echo "debian-system.sh: $dir is incomplete or broken; making it again" >&2
  rm -rf "$dir" "$dir.new"
  mapfile -t mirrors < <(sources)
  echo "debian-system.sh: making a Debian $release system in $dir from ${mirrors[*]}" >&2
  mmdebstrap --variant=apt --include="$include" "$suite" "$dir.new" "${mirrors[@]}"
  echo "$suite $include" >"$dir.new/${stamp##*/}"
  mv "$dir.new" "$dir"
fi
cp /etc/resolv.conf "$dir/etc/resolv.conf"
# The machine's name, which sudo looks up.
grep -qw "$(hostname)" "$dir/etc/hosts" 2>/dev/null || echo "127.0.1.1 $(hostname)" >>"$dir/etc/hosts"

if [[ $user == root ]]; then
  home=/root uid=0
else
  uid=$(id -u "$user") gid=$(id -g "$user")
  home=/home/$user
  if ! chroot "$dir" id -u "$user" >/dev/null 2>&1; then
    chroot "$dir" groupadd -o -g "$gid" "$user" 2>/dev/null || true
    chroot "$dir" useradd -m -o -u "$uid" -g "$gid" -s /bin/bash "$user"
  fi
  printf '%s ALL=(ALL:ALL) NOPASSWD: ALL\n' "$user" >"$dir/etc/sudoers.d/belltide"
  chmod 440 "$dir/etc/sudoers.d/belltide"
fi
work=$home/belltide
scripts/copy-source.sh "$dir$work"
[[ $user == root ]] || chown -R "$uid:$(id -g "$user")" "$dir$work"

# The mounts live in a mount namespace of their own: they go with the run,
# however it ends.
env=(HOME="$home" USER="$user" LOGNAME="$user" LANG=C.UTF-8 TERM="${TERM:-dumb}"
  PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin)
as=()
[[ $user == root ]] || as=(/usr/sbin/runuser -u "$user" --)
exec unshare --mount --propagation private -- /bin/sh -ec '
  dir=$1; shift
  mount --rbind /proc "$dir/proc"
  mount --rbind /sys "$dir/sys"
  mount --rbind /dev "$dir/dev"
  mount -t tmpfs -o mode=1777 tmpfs "$dir/tmp"
  exec chroot "$dir" "$@"' sh "$dir" "${as[@]}" /usr/bin/env -i "${env[@]}" \
  /bin/bash -c 'cd "$1" && shift && exec "$@"' sh "$work" "$@"
