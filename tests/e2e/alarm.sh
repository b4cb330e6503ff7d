#!/usr/bin/env bash
# The road of one alarm with a reminder: set a reminder and an alarm, leave,
# start again the next minute, hear the music, get the reminder back, Stop.
# Then the clock moved back under the running program, across a change of
# time zone (the tick re-armed from the clock: tst_clock): the display is
# right at the next tick, which the alarm shows, as it rings as soon as the
# display reaches its minute; and the wake timer follows the zone. Then
# faults at exit, as an ordinary user meets them: a copy killed outright, a
# second copy started and the X server ending. (SIGTERM: e2e_sleep and
# tst_programend. Garbage in the files: tst_storage's readers. A save that
# fails: tst_storage, under a real file size limit, and tst_programend.)
# The program runs on a fake clock, with a time-zone file of its own that the
# story replaces.
source "$(dirname "$0")/lib.sh"
song="$HOME/song.wav"
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=660:duration=30" "$song"
stand_in systemd_user org.freedesktop.systemd1
export TZ=":$HOME/localtime"
set_zone() { cp "/usr/share/zoneinfo/$1" "$HOME/zone.new" && mv "$HOME/zone.new" "$HOME/localtime"; }
set_zone UTC
ring_and_stop() { # ALARM: it rings within 10 s, then Stop ends the sound
  wait_sound 1 || fail "the alarm $1 did not ring"
  [[ $(read_box $TXTTIME) == "$1 Has Passed" ]] || fail "the alarm box does not read '$1 Has Passed'"
  click $CMDRESET
  wait_sound 0 || fail "Stop did not end the sound"
}

note "a reminder for today and an alarm at 7:30, then File > Exit (what it saved: the next start)"
start "2026-05-07 07:20:00"
click $CMDREM
type_into $TXTREM 'Water the plants, "now"'
click $CMDREMSET
dismiss_box 'Status:'
click $CMDIN
type_into $TXTFILE "$song"
arm "7:30"
menu $MENU_FILE 1
ended || fail "exit status $?"

note "started again at 7:29:57: the restored alarm sounds within 10 s, the reminder comes back"
start "2026-05-07 07:29:57"
ring_and_stop "7:30"
click $CMDREM
[[ $(read_box $TXTREM) == 'Water the plants, "now"' ]] || fail "the reminder did not come back"

note "a new time zone, UTC to India (+5:30): the display follows, the alarm rings, the wake moves"
arm "12:45"
until_held timers "active|2026-05-07 12:44:00 UTC|1|0" || fail "no wake at 12:44 UTC"
set_clock "2026-05-07 07:14:50"
set_zone Asia/Kolkata
until_held timers "active|2026-05-07 07:15:00 UTC|1|0" || fail "the wake did not follow the zone"
ring_and_stop "12:45"

note "a copy killed outright is no obstacle; a second copy only brings the first forward"
kill -KILL "$pid"
wait "$pid" || true
start
xdotool windowminimize "$id"
window_gone Belltide || fail "the main window did not go down"
before=$(md5sum < "$(settings)")
DESKTOP_STARTUP_ID="launch-1_TIME0" timeout 20 "$program" || fail "the second copy did not end by itself"
wait_window Belltide >/dev/null || fail "the first copy did not come forward"
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
