#!/usr/bin/env bash
# The clock moved under the running program: forward, back by less than a
# second and across a change of time zone (the tick re-armed from the clock:
# tst_clock). Each time the display is right at the next tick, which the
# alarm shows: it rings as soon as the display reaches its minute. The wake
# timer follows the zone.
# The program runs on libfaketime with an offset this story rewrites, and
# with a time-zone file of its own that the story replaces.
source "$(dirname "$0")/lib.sh"
song="$HOME/song.wav"
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=660:duration=30" "$song"
stand_in systemd_user org.freedesktop.systemd1
zone="$HOME/localtime" shift_file="$HOME/faketime.rc"
cp /usr/share/zoneinfo/UTC "$zone"
# set_clock "YYYY-MM-DD hh:mm:ss[.frac]": the program's clock, in UTC, from now on
set_clock() {
  printf '%+.3f\n' "$(( $(date -ud "$1" +%s%N) - $(date +%s%N) ))e-9" >"$shift_file"
}
set_zone() { cp "/usr/share/zoneinfo/$1" "$zone.new" && mv "$zone.new" "$zone"; }
ring_and_stop() { # ALARM: it rings within 10 s, then Stop
  wait_sound 1 || fail "the alarm $1 did not ring"
  [[ $(read_box $TXTTIME) == "$1 Has Passed" ]] || fail "the alarm box does not read '$1 Has Passed'"
  click $CMDRESET
  wait_sound 0 || fail "Stop did not end the sound"
}

set_clock "2026-05-07 07:00:10"
export TZ=":$zone" FAKETIME_TIMESTAMP_FILE="$shift_file" FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1
LD_PRELOAD=$(dpkg -L libfaketime | grep -m1 '/libfaketime\.so\.1$') "$program" >>"$HOME/belltide.log" 2>&1 &
pid=$!
id=$(wait_window Belltide 90) || { diagnose; fail "no main window"; }
type_into $TXTFILE "$song"

note "forward, then back by less than a second, just before the alarm's minute: it rings on that minute"
arm "7:06"
set_clock "2026-05-07 07:05:59.300"
sleep 0.2
set_clock "2026-05-07 07:05:58.900"
ring_and_stop "7:06"

note "a new time zone, UTC to India (+5:30): the display follows, the alarm rings, the wake moves"
arm "12:45"
until_held timers "active|2026-05-07 12:44:00 UTC|1|0" || fail "no wake at 12:44 UTC"
set_clock "2026-05-07 07:14:50"
set_zone Asia/Kolkata
until_held timers "active|2026-05-07 07:15:00 UTC|1|0" || fail "the wake did not follow the zone"
ring_and_stop "12:45"

note "and back to UTC, a few seconds before 7:16"
arm "7:16"
set_clock "2026-05-07 07:15:57"
set_zone UTC
ring_and_stop "7:16"
kill -TERM "$pid"
ended || fail "exit status $? after SIGTERM"
note "ok"
