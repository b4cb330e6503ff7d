#!/usr/bin/env bash
# Runs a command under GNOME's compositor: mutter nested in the private
# desktop's X server (run inside tests/support/desktop.sh), with its own
# session bus and runtime folder. mutter's XWayland serves X11 clients.
# For the command:
#   WAYLAND_DISPLAY     mutter's socket (Qt picks its Wayland plugin by it)
#   MUTTER_X_DISPLAY    mutter's XWayland display, MUTTER_XAUTHORITY its cookie
#   OUTER_DISPLAY       the X server mutter draws in; xdotool there reaches
#                       mutter's windows as real pointer and key input
#   MUTTER_PID, MUTTER_LOG
#   mutter.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/session.sh" mutter
require mutter Xwayland dbus-daemon
/usr/bin/python3 -c 'import gi; gi.require_version("Gtk", "3.0"); from gi.repository import Gtk' 2>/dev/null \
  || fail "GTK for Python (the test launcher) is missing; scripts/install-deps.sh --test installs it"
[[ -n "${DISPLAY:-}" && -n "${HOME:-}" ]] || fail "run inside tests/support/desktop.sh"

export XDG_RUNTIME_DIR="$work/run" MUTTER_LOG="$work/mutter.log" OUTER_DISPLAY="$DISPLAY"
mkdir -m 700 "$XDG_RUNTIME_DIR"
own_bus

# Under a loaded machine mutter may take long to come up: generous waits.
(unset WAYLAND_DISPLAY XAUTHORITY QT_QPA_PLATFORM
 MUTTER_DEBUG_DUMMY_MODE_SPECS=1024x768 exec mutter --nested --wayland --wayland-display belltide-wl) \
  >"$MUTTER_LOG" 2>&1 &
export MUTTER_PID=$!
pids+=("$MUTTER_PID")
up() { [[ -S "$XDG_RUNTIME_DIR/belltide-wl" ]] && grep -q 'Using public X11 display' "$MUTTER_LOG"; }
for _ in $(seq 1200); do up && break; kill -0 "$MUTTER_PID" 2>/dev/null || break; sleep 0.1; done
up || { cat "$MUTTER_LOG" >&2; fail "mutter did not come up within 120 s (its log above)"; }
export WAYLAND_DISPLAY=belltide-wl XDG_SESSION_TYPE=wayland
export MUTTER_X_DISPLAY=$(grep -o 'Using public X11 display :[0-9]*' "$MUTTER_LOG" | head -n1 | grep -o ':[0-9]*')
export MUTTER_XAUTHORITY=$(ls "$XDG_RUNTIME_DIR"/.mutter-Xwaylandauth.* 2>/dev/null | head -n1)
# The program's X11 side, if it used one, would be mutter's XWayland.
export DISPLAY="$MUTTER_X_DISPLAY" XAUTHORITY="$MUTTER_XAUTHORITY"

"$@" &
wait $!
