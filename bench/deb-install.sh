#!/usr/bin/env bash
# Builds the Debian package, installs it with apt, starts the installed
# program as an ordinary user on a private desktop and removes the package
# again. Run as root on a Debian 12 machine.
#   bench/deb-install.sh [DEB]    (default: build it with scripts/package.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test

deb=${1:-}
[[ -n $deb ]] || deb=$(scripts/package.sh | tail -n1)
echo "== $deb"
dpkg-deb -I "$deb" | grep -E '^ (Package|Version|Depends):'

was_installed=$(dpkg-query -W -f='${Status}' belltide 2>/dev/null | grep -c 'install ok installed' || true)
apt-get -o DPkg::Lock::Timeout=600 install -y -q "$deb" >/dev/null
trap '[[ $was_installed == 1 ]] || apt-get -o DPkg::Lock::Timeout=600 remove -y -q belltide >/dev/null' EXIT

id=com.corvanta.belltide
desktop-file-validate /usr/share/applications/$id.desktop
appstreamcli validate --no-net /usr/share/metainfo/$id.metainfo.xml
ls /usr/share/icons/hicolor/*/apps/$id.png | wc -l | xargs echo "icons:"

# As an ordinary user and as root (for whom the program's folder is writable),
# the reminder goes to the user's own data folder, never into the program's
# folder, which every user's copy would see.
check=$(mktemp)
cat >"$check" <<'INNER'
set -euo pipefail
source tests/e2e/lib.sh
belltide &
pid=$!
id=$(wait_window Belltide 20) || fail "the installed program shows no window"
echo "window width $(width "$id"), $(xprop -id "$id" WM_CLASS)"
click $CMDREM
type_into 300 230 "packaged reminder"
click 392 308
id2=$(wait_window 'Status:' 10) || fail "no success message"
xdotool key Return
sleep 0.5
[[ -f "$XDG_DATA_HOME/belltide/reminder.ini" ]] || fail "reminder not in the data folder"
echo "$(id -un): reminder file $XDG_DATA_HOME/belltide/reminder.ini"
! ls /usr/lib/*/belltide/reminder.ini 2>/dev/null || fail "a reminder in the program's folder"
kill -TERM "$pid"; ended || fail "exit status $? after SIGTERM"
[[ -f "$XDG_CONFIG_HOME/belltide/settings.ini" ]] || fail "settings not saved"
echo "installed program: ok"
INNER
chmod 644 "$check"
chmod 755 tests tests/e2e tests/support 2>/dev/null || true
runuser -u nobody -- env -i PATH=/usr/bin:/bin LANG=C.UTF-8 \
  bash tests/support/desktop.sh bash "$check"
env -i PATH=/usr/bin:/bin LANG=C.UTF-8 bash tests/support/desktop.sh bash "$check"
rm -f "$check"
