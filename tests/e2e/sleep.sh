#!/usr/bin/env bash
# An alarm set in the evening on a desktop that would suspend, beside the real
# desktop portal and its GNOME or KDE backend (tests/support/portal.sh): while
# it is armed Belltide holds one suspend inhibition, naming the armed time, at
# what lies beneath the backend, and one wake timer at the user's service
# manager (a stand-in); Stop and the program's end leave none. (What the alarm
# asks when is judged in tst_clock, a refused wake in tst_desktoppower.)
source "$(dirname "$0")/lib.sh"
export TZ=UTC
stand_in systemd_user org.freedesktop.systemd1
# Suspend alone: GNOME's inhibit flag 4, KDE's inhibition type 1.
case $PORTAL_DESKTOP in GNOME) kind=4 ;; KDE) kind=1 ;; esac

note "Set Alarm 5:29: one suspend inhibition, one wake at 5:28 tomorrow"
start "2026-05-07 21:00:00"
arm 5:29
until_held inhibitions "$kind|Belltide has an alarm set for 5:29" || fail "no single suspend inhibition for 5:29"
until_held timers "active|2026-05-08 05:28:00 UTC|1|0" || fail "no single wake timer at 5:28"
note "6:29 typed over the armed time: the desktop names 6:29; Stop: none"
type_into $TXTTIME "6:29"
until_held inhibitions "$kind|Belltide has an alarm set for 6:29" || fail "the inhibition still names the old time"
until_held timers "active|2026-05-08 06:28:00 UTC|1|0" || fail "no single wake timer at 6:28"
click $CMDRESET
until_held inhibitions "" || fail "the inhibition stayed after Stop"
until_held timers "" || fail "the wake timer stayed after Stop"

note "File > Exit with the alarm set leaves none"
arm 7:30
until_held inhibitions "$kind|Belltide has an alarm set for 7:30" || fail "no inhibition after Set Alarm again"
until_held timers "active|2026-05-08 07:29:00 UTC|1|0" || fail "no wake timer after Set Alarm again"
menu $MENU_FILE 1
ended || fail "exit status $?"
until_held inhibitions "" || fail "the inhibition outlived the program: $(inhibitions)"
[[ -z $(timers) ]] || fail "the wake timer outlived the program: $(timers)"

note "A save that fails, and a second SIGTERM while its warning is up: the end at once leaves none either"
rm -f "$(settings)" && mkdir -p "$(settings)" # a folder in the file's place: the save fails
start "2026-05-07 21:00:00"
arm 7:30
until_held timers "active|2026-05-08 07:29:00 UTC|1|0" || fail "no wake timer"
kill -TERM "$pid"
for _ in $(seq 300); do [[ $(count_windows Belltide) == 2 ]] && break; sleep 0.1; done
[[ $(count_windows Belltide) == 2 ]] || fail "no warning of the failed save"
kill -TERM "$pid"
status=0; ended || status=$?
[[ $status == 1 ]] || fail "exit status $status after the second SIGTERM"
until_held inhibitions "" || fail "the inhibition outlived the end at once: $(inhibitions)"
[[ -z $(timers) ]] || fail "the wake timer outlived the end at once: $(timers)"
note "ok"
