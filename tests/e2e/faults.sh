#!/usr/bin/env bash
# Faults at exit, as an ordinary user meets them: SIGTERM, a copy killed
# outright, a second copy started and the X server ending. (Garbage in the
# files: tst_storage's readers. A save that fails: tst_storage, under a real
# file size limit, and tst_app, where the exit says so.)
source "$(dirname "$0")/lib.sh"

note "SIGTERM saves"
start
type_into $TXTTIME "6:05"
kill -TERM "$pid"
ended || fail "exit status $? after SIGTERM"
grep -q '^timealarm="6:05"$' "$(settings)" || fail "SIGTERM did not save"

note "a copy killed outright is no obstacle; a second copy only brings the first forward"
start
kill -KILL "$pid"
wait "$pid" || true
start
xdotool windowminimize "$id"
window_gone Belltide || fail "the main window did not go down"
before=$(md5sum < "$(settings)")
xev -root -event property >"$HOME/xev.log" 2>&1 &
xev=$!
listens() { xprop -root -f _BELLTIDE_XEV 8s -set _BELLTIDE_XEV ready; grep -q _BELLTIDE_XEV "$HOME/xev.log"; }
within 10 listens || fail "xev does not listen"
DESKTOP_STARTUP_ID="launch-1_TIME0" timeout 20 "$program" || fail "the second copy did not end by itself"
wait_window Belltide >/dev/null || fail "the first copy did not come forward"
# The launch's startup notification is completed: the busy cursor goes.
within 10 grep -q _NET_STARTUP_INFO_BEGIN "$HOME/xev.log" || fail "the second launch's startup notice stayed open"
kill "$xev"
[[ $(count_windows Belltide) == 1 ]] || fail "two main windows"
[[ $(md5sum < "$(settings)") == "$before" ]] || fail "the second copy touched the settings"
kill -0 "$pid" || fail "the first copy ended"
menu $MENU_FILE 1
ended || fail "exit status $?"

note "the X server ends under the program: the typed alarm is saved"
start
type_into $TXTTIME "4:44"
kill -KILL "$DESKTOP_XVFB_PID"
ended || true
grep -q '^timealarm="4:44"$' "$(settings)" \
  || { cat "$HOME/belltide.log"; fail "the alarm typed before the X server ended was not saved"; }
note "ok"
