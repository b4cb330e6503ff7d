#!/usr/bin/env bash
# The road of one alarm with a reminder: set a reminder and an alarm, leave,
# start again the next minute, hear the music, get the reminder back, Stop.
# The program runs on a fake clock, so the alarm's minute comes when planned.
source "$(dirname "$0")/lib.sh"
song="$HOME/song.wav"
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=660:duration=30" "$song"

note "a reminder for today and an alarm at 7:30, then File > Exit"
start "2026-05-07 07:20:00"
[[ $(width "$id") -lt 240 ]] || fail "the window does not start folded"
click $CMDREM
type_into $TXTREM 'Water the plants, "now"'
click $CMDREMSET
dismiss_box 'Status:'
[[ $(cat "$app/reminder.ini") == '"Water the plants, ""now"""'$'\r' ]] \
  || fail "reminder file: $(cat "$app/reminder.ini")"
click $CMDIN
type_into $TXTFILE "$song"
arm "7:30"
menu $MENU_FILE 1
ended || fail "exit status $?"
grep -q '^remday=" 7"$' "$(settings)" && grep -q '^timealarm="7:30"$' "$(settings)" \
  || fail "not saved: $(cat "$(settings)")"

note "started again at 7:29:57: the restored alarm sounds within 10 s"
start "2026-05-07 07:29:57"
wait_sound 1 || fail "no sound within 10 s"
[[ $(read_box $TXTTIME) == "7:30 Has Passed" ]] || fail "the alarm box does not read 'Has Passed'"
click $CMDREM
within 10 test ! -f "$app/reminder.ini" || fail "the delivered reminder file stayed"
[[ $(read_box $TXTREM) == 'Water the plants, "now"' ]] || fail "the reminder did not come back"
click $CMDRESET
wait_sound 0 || fail "Stop did not end the sound"
[[ $(read_box $TXTTIME) == "<empty>" ]] || fail "Stop did not empty the alarm box"
kill -TERM "$pid"
ended || fail "exit status $? after SIGTERM"
note "ok"
