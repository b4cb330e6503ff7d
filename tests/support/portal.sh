#!/usr/bin/env bash
# Runs a command beside the real desktop portal (xdg-desktop-portal) with the
# real backend of GNOME (xdg-desktop-portal-gtk) or KDE
# (xdg-desktop-portal-kde), on the private desktop's session bus (run inside
# tests/support/desktop.sh). Only what lies beneath the backend stands in
# (python3-dbusmock templates here): GNOME's session manager and screen saver
# (gnome_session.py), or KDE's power management (powerdevil.py). Everything
# it starts ends with it. For the command:
#   PORTAL_DESKTOP            GNOME or KDE
#   POWER_NAME, POWER_PATH    the stand-in beneath the backend; its mock
#                             methods Inhibitions() and Counts() say what it holds
#   PORTAL_LOG, BACKEND_LOG   the portal's and the backend's --verbose logs
#   portal.sh GNOME|KDE COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/session.sh" portal
require dbus-send /usr/libexec/xdg-desktop-portal
[[ -n "${DISPLAY:-}" && -n "${DBUS_SESSION_BUS_ADDRESS:-}" ]] || fail "run inside tests/support/desktop.sh"
require_dbusmock

export PORTAL_DESKTOP=$1; shift
case $PORTAL_DESKTOP in
  GNOME) backend=gtk stand_in=gnome_session POWER_NAME=org.gnome.SessionManager POWER_PATH=/org/gnome/SessionManager
         verbose=(--verbose) ;;
  KDE) backend=kde stand_in=powerdevil verbose=() POWER_NAME=org.kde.Solid.PowerManagement
       POWER_PATH=/org/kde/Solid/PowerManagement/PolicyAgent ;;
  *) fail "portal.sh GNOME|KDE COMMAND..." ;;
esac
export POWER_NAME POWER_PATH PORTAL_LOG="$work/portal.log" BACKEND_LOG="$work/backend.log"
# The backend's program, as its package names it to the bus (never started
# by the bus here: this bus starts nothing).
backend_name=org.freedesktop.impl.portal.desktop.$backend
backend_program=$(sed -n 's/^Exec=//p' "/usr/share/dbus-1/services/$backend_name.service" 2>/dev/null || true)
[[ -x "$backend_program" ]] || fail "xdg-desktop-portal-$backend is missing; scripts/install-deps.sh --test installs it"
# start_owner NAME LOG COMMAND...: starts it, and waits until it owns NAME
start_owner() {
  local name=$1 log=$2; shift 2
  "$@" >"$log" 2>&1 &
  pids+=($!)
  for _ in $(seq 600); do owned "$name" && return 0; kill -0 "${pids[-1]}" 2>/dev/null || break; sleep 0.1; done
  cat "$log" >&2; fail "$name did not come up (its log above: $*)"
}
start_owner "$POWER_NAME" "$work/$stand_in.log" \
  /usr/bin/python3 -m dbusmock --session -t "$(dirname "${BASH_SOURCE[0]}")/$stand_in.py"
# The backend looks for the services beneath it once, as it starts. Its
# lines go out as they are written, also when it is ended. GNOME's backend
# says what it does with --verbose on Debian 12, only with GLib's debug
# messages on from 1.15 (Debian 13); KDE's from 6 on knows no --verbose.
XDG_CURRENT_DESKTOP=$PORTAL_DESKTOP QT_QPA_PLATFORM=offscreen G_MESSAGES_DEBUG=all \
  start_owner "$backend_name" "$BACKEND_LOG" stdbuf -oL -eL "$backend_program" "${verbose[@]}"
XDG_CURRENT_DESKTOP=$PORTAL_DESKTOP \
  start_owner org.freedesktop.portal.Desktop "$PORTAL_LOG" stdbuf -oL -eL /usr/libexec/xdg-desktop-portal --verbose

"$@" &
wait $!
