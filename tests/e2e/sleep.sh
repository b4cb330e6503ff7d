#!/usr/bin/env bash
# The end at once beside the real desktop portal and its GNOME or KDE backend
# (tests/support/portal.sh): with an alarm set Belltide holds one suspend
# inhibition, naming the time, at what lies beneath the backend, and one wake
# timer at the user's service manager (a stand-in). A save that fails and a
# second SIGTERM while its warning is up end the program past every
# destructor, and leave neither. (What the alarm asks when: tst_clock; the
# guard beside the real portal: tst_portal; every way out: tst_programend.)
source "$(dirname "$0")/lib.sh"
export TZ=UTC
stand_in systemd_user org.freedesktop.systemd1
# Suspend alone: GNOME's inhibit flag 4, KDE's inhibition type 1.
case $PORTAL_DESKTOP in GNOME) kind=4 ;; KDE) kind=1 ;; esac

mkdir -p "$(settings)" # a folder in the file's place: the save fails
start "2026-05-07 21:00:00"
arm 7:30
until_held inhibitions "$kind|Belltide has an alarm set for 7:30" || fail "no single suspend inhibition for 7:30"
until_held timers "active|2026-05-08 07:29:00 UTC|1|0" || fail "no single wake timer at 7:29"
kill -TERM "$pid"
within 30 is 2 count_windows Belltide || fail "no warning of the failed save"
kill -TERM "$pid"
status=0; ended || status=$?
[[ $status == 1 ]] || fail "exit status $status after the second SIGTERM"
until_held inhibitions "" || fail "the inhibition outlived the end at once: $(inhibitions)"
[[ -z $(timers) ]] || fail "the wake timer outlived the end at once: $(timers)"
note "ok"
