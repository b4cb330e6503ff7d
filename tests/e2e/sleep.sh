#!/usr/bin/env bash
# An alarm set in the evening on a desktop that would suspend: while it is
# armed Belltide holds one suspend inhibition at the desktop portal and one
# wake timer at the user's service manager (stand-ins on the desktop's own
# session bus); Stop and the program's end leave none, Set Alarm takes them
# again, and a service manager that refuses the wake costs one line.
source "$(dirname "$0")/lib.sh"
export TZ=UTC
stand_in portal_inhibit org.freedesktop.portal.Desktop
stand_in systemd_user org.freedesktop.systemd1
reason="4|Belltide has an alarm set for 7:30"


note "nothing is asked before an alarm is armed"
start "2026-05-07 21:00:00"
sleep 1
[[ -z $(inhibitions) && -z $(timers) ]] || fail "asked before any alarm: $(inhibitions) $(timers)"

note "Set Alarm 7:30: one suspend inhibition, one wake at 7:29 tomorrow"
type_into $TXTTIME "7:30"
click $CMDSET
wake="active|2026-05-08 07:29:00 UTC|1|0"
until_held inhibitions "$reason" || fail "no single suspend inhibition"
until_held timers "$wake" || fail "no single wake timer at 7:29"

note "Stop: none; Set Alarm again: one of each again"
click $CMDRESET
until_held inhibitions "" || fail "the inhibition stayed after Stop"
until_held timers "" || fail "the wake timer stayed after Stop"
type_into $TXTTIME "7:30"
click $CMDSET
until_held inhibitions "$reason" || fail "no inhibition after Set Alarm again"
until_held timers "$wake" || fail "no wake timer after Set Alarm again"

note "File > Exit leaves none"
menu $MENU_FILE 1
ended || fail "exit status $?"
[[ -z $(inhibitions) ]] || fail "the inhibition outlived the program: $(inhibitions)"
[[ -z $(timers) ]] || fail "the wake timer outlived the program: $(timers)"

note "systemd before 254 refuses the wake: one line, and the alarm is kept awake for all the same"
stop_stand_in 1
stand_in systemd_user org.freedesktop.systemd1 '{"version": 252}'
: >"$HOME/belltide.log"
start "2026-05-07 21:00:00"
until_held inhibitions "$reason" || fail "the saved alarm is not kept awake for at start"
for _ in $(seq 100); do grep -q "cannot wake" "$HOME/belltide.log" && break; sleep 0.1; done
[[ $(grep -c "cannot wake" "$HOME/belltide.log") == 1 ]] || fail "not one line about the refused wake: $(cat "$HOME/belltide.log")"
until_held timers "" || fail "the refused timer stayed"
kill -TERM "$pid"
ended || fail "exit status $? after SIGTERM"
[[ -z $(inhibitions) ]] || fail "the inhibition outlived SIGTERM"
note "ok"
