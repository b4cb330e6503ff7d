#!/usr/bin/env bash
# Belltide as a person uses it: an alarm that sounds and stops, the fallback
# tone for a missing file, a reminder that comes back after a restart, the
# clock-only view, and the shop's one web view window.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=${1:?usage: tst_user.sh PROGRAM}

# A copy of the program folder of our own, so the reminder file lands there.
app="$HOME/app"
cp -r "$(dirname "$program")" "$app"
program="$app/belltide"
song="$HOME/song.wav"
ffmpeg -loglevel error -f lavfi -i "sine=frequency=660:duration=20" "$song"

start() {
  "$program" >"$HOME/belltide.log" 2>&1 &
  pid=$!
  id=$(wait_window Belltide) || fail "no main window"
}

note "an alarm at the current minute plays the music; Stop ends it"
start
[[ $(sound_streams) == 0 ]] || fail "sound before any alarm"
type_into "$id" $TXTFILE "$song"
type_into "$id" $TXTTIME "$(now_text)"
t0=$(date +%s%N)
click "$id" $CMDSET
wait_streams 1 2 || fail "no sound within 2 s"
note "sound after $(( ($(date +%s%N) - t0) / 1000000 )) ms"
[[ $(read_box "$id" $TXTTIME) == *" Has Passed" ]] || fail "the alarm box does not read 'Has Passed'"
click "$id" $CMDRESET
wait_streams 0 1 || fail "Stop did not end the sound"
[[ $(read_box "$id" $TXTTIME) == "<empty>" ]] || fail "Stop did not empty the alarm box"

note "a missing music file gives the fallback tone"
type_into "$id" $TXTFILE "$HOME/no such song.mp3"
type_into "$id" $TXTTIME "$(now_text)"
click "$id" $CMDSET
wait_streams 1 2 || fail "no fallback tone within 2 s"
click "$id" $CMDRESET
wait_streams 0 1 || fail "Stop did not end the fallback tone"

note "Clock Only and Full View"
menu "$id" $MENU_VIEW 1
view=$(wait_window 'Belltide\(Clock View\)') || fail "no clock-only view"
window_gone Belltide 3 || fail "the main window stayed"
xdotool mousemove --window "$view" 30 8 click 1   # its one menu command: Full View
id=$(wait_window Belltide) || fail "Full View did not bring the main window back"
window_gone 'Belltide\(Clock View\)' 3 || fail "the clock-only view stayed"

note "a shop button opens one web view window"
click "$id" $COMMAND2
shop=$(wait_window Bookwick 60) || fail "no web view window"
click "$id" $COMMAND1
sleep 2
[[ $(count_windows Bookwick) == 1 ]] || fail "a second web view window"
xdotool windowactivate --sync "$shop" key alt+F4
window_gone Bookwick 10 || fail "the web view window did not close"

note "a reminder for today, exit, start again, the alarm brings it back"
click "$id" $CMDREM
type_into "$id" $TXTREM 'Water the plants, "now"'
click "$id" $CMDREMSET
dismiss_box 'Status:'
[[ -f "$app/reminder.ini" ]] || fail "no reminder file"
menu "$id" $MENU_FILE 1
wait "$pid"
start
type_into "$id" $TXTFILE "$song"
type_into "$id" $TXTTIME "$(now_text)"
click "$id" $CMDSET
wait_streams 1 2 || fail "no sound"
sleep 2
click "$id" $CMDREM
text=$(read_box "$id" $TXTREM)
[[ $text == 'Water the plants, "now"' ]] || fail "reminder read '$text'"
[[ ! -f "$app/reminder.ini" ]] || fail "the delivered reminder file stayed"
click "$id" $CMDRESET
kill -TERM "$pid"
wait "$pid"
note "ok"
