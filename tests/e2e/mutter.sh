#!/usr/bin/env bash
# Under GNOME's compositor (run inside tests/support/mutter.sh): through
# XWayland the clock-only view comes and goes without moving the window;
# natively on Wayland the Wayland plugin is the one loaded, a minimized window
# comes back at a second start from a launcher, and the compositor's end
# leaves the typed alarm saved.
source "$(dirname "$0")/lib.sh"
outer() { DISPLAY="$OUTER_DISPLAY" XAUTHORITY= "$@"; }
plugins() { grep -o 'libq[a-z-]*\.so' "/proc/$pid/maps" | sort -u | tr '\n' ' '; }
place() { xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x "," y}'; }
# A native window cannot be asked where it is: the main window is in sight
# when the outer screen shows its yellow bars.
yellow() {
  outer import -window root "$HOME/screen.png"
  convert "$HOME/screen.png" -fill black +opaque '#ffff80' -fill white -opaque '#ffff80' \
    -format '%[fx:int(mean*w*h)]' info:
}
in_sight() { for _ in $(seq "${1:-60}"); do (($(yellow) > 1000)) && return 0; sleep 1; done; return 1; }
out_of_sight() { for _ in $(seq 60); do (($(yellow) == 0)) && return 0; sleep 1; done; return 1; }
show_log() { echo "--- belltide:"; grep -v '^\[' "$HOME/belltide.log"; echo "--- mutter:"; tail -n 30 "$MUTTER_LOG"; }

note "through XWayland: three trips to the clock-only view leave the window where it was"
QT_QPA_PLATFORM=xcb start
[[ $(plugins) == *libqxcb.so* ]] || fail "not on X11: $(plugins)"
before=$(place "$id")
for trip in 1 2 3; do
  menu $MENU_VIEW 1
  view=$(wait_window 'Belltide\(Clock View\)') || fail "trip $trip: no clock-only view"
  xdotool mousemove --window "$view" 30 8 click 1   # its one menu command: Full View
  id=$(wait_window Belltide) || fail "trip $trip: Full View did not bring the main window back"
  # Back in its place once shown; moved later, the next trip would start from elsewhere.
  within 10 is "$before" place "$id" || fail "trip $trip moved the main window from $before to $(place "$id")"
done
menu $MENU_FILE 1
ended || fail "exit status $?"

note "natively on Wayland: a typed alarm, minimized, brought back by a second start"
# Its Wayland traffic in the log: typing waits for the keyboard to enter its window.
WAYLAND_DEBUG=client "$program" >>"$HOME/belltide.log" 2>&1 &
pid=$!
in_sight 90 || { show_log; fail "no main window on mutter's screen"; }
[[ $(plugins) == *libqwayland-generic.so* ]] || fail "not native on Wayland: $(plugins)"
within 60 grep -q 'wl_keyboard[@#][0-9]*\.enter' "$HOME/belltide.log" || fail "the main window never had the keyboard"
outer xdotool type --delay 50 "3:33"   # the alarm time box has the focus
outer xdotool key super+h
out_of_sight || fail "super+h did not minimize the main window"
/usr/bin/python3 "$(dirname "$0")/../support/launcher.py" "$program" >"$HOME/launcher.log" 2>&1 &
for _ in $(seq 60); do   # the launcher fills mutter's screen once it is up; until then a click meets nothing
  outer xdotool mousemove 640 512 click 1
  within 5 grep -q '^token' "$HOME/launcher.log" && break
done
grep -q '^token' "$HOME/launcher.log" || { cat "$HOME/launcher.log"; fail "the launcher did not start a second copy"; }
within 60 grep -q '^status' "$HOME/launcher.log" || true
grep -q '^status 0$' "$HOME/launcher.log" || { cat "$HOME/launcher.log"; fail "the second copy did not end by itself"; }
in_sight 30 || { cat "$HOME/launcher.log"; show_log; fail "the second start did not bring the minimized window back"; }
kill -0 "$pid" || fail "the first copy ended"

note "the compositor ends: the typed alarm is saved"
kill -KILL "$MUTTER_PID"
ended || true
grep -q '^timealarm="3:33"$' "$(settings)" || {
  show_log
  fail "the alarm typed before the compositor ended was not saved: $(cat "$(settings)" 2>&1)"
}
note "ok"
