#!/usr/bin/env bash
# An alarm set in the evening on a desktop that would suspend: while it is
# armed Belltide holds one suspend inhibition at the desktop portal and one
# wake timer at the user's service manager (stand-ins on the desktop's own
# session bus); Stop and the program's end leave none. (What the alarm asks
# when is judged in tst_clock, a refused wake in tst_desktoppower.)
source "$(dirname "$0")/lib.sh"
export TZ=UTC
stand_in portal_inhibit org.freedesktop.portal.Desktop
stand_in systemd_user org.freedesktop.systemd1
reason="4|Belltide has an alarm set for 7:30"
wake="active|2026-05-08 07:29:00 UTC|1|0"
arm() { type_into $TXTTIME "7:30"; click $CMDSET; }

note "Set Alarm 7:30: one suspend inhibition, one wake at 7:29 tomorrow; Stop: none"
start "2026-05-07 21:00:00"
arm
until_held inhibitions "$reason" || fail "no single suspend inhibition"
until_held timers "$wake" || fail "no single wake timer at 7:29"
click $CMDRESET
until_held inhibitions "" || fail "the inhibition stayed after Stop"
until_held timers "" || fail "the wake timer stayed after Stop"

note "File > Exit with the alarm set leaves none"
arm
until_held timers "$wake" || fail "no wake timer after Set Alarm again"
menu $MENU_FILE 1
ended || fail "exit status $?"
[[ -z $(inhibitions) ]] || fail "the inhibition outlived the program: $(inhibitions)"
[[ -z $(timers) ]] || fail "the wake timer outlived the program: $(timers)"
note "ok"
