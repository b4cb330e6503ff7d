#!/usr/bin/env bash
# The real program on a desktop: it starts folded and captioned "Belltide",
# File > Exit and SIGTERM save the settings, and a second copy only brings the
# first forward.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=${1:?usage: tst_program.sh PROGRAM}

note "start: folded, captioned Belltide"
"$program" >/dev/null 2>&1 &
pid=$!
id=$(wait_window Belltide) || fail "no window captioned Belltide"
read -r width height < <(window_size "$id")
(( width >= 231 && width < 240 )) || fail "not folded: width $width"
note "folded at ${width}x${height}"

note "unfold and fold"
click "$id" $CMDREM
read -r unfolded _ < <(window_size "$id")
(( unfolded == 569 )) || fail "unfolded width $unfolded"
click "$id" 217 192   # <<<
read -r refolded _ < <(window_size "$id")
(( refolded == width )) || fail "folded again to $refolded"

note "type an alarm and a music file, File > Exit"
type_into "$id" $TXTTIME "23:59"
type_into "$id" $TXTFILE "/music/a, b \"c\".mp3"
menu "$id" $MENU_FILE 1
wait "$pid" || fail "exit status $?"
grep -q 'timealarm="23:59"' "$(settings_file)" || fail "timealarm not saved: $(cat "$(settings_file)")"
grep -q 'AlarmMusic="/music/a, b \\"c\\".mp3"' "$(settings_file)" || fail "music not saved"
note "saved: $(tr '\n' ' ' < "$(settings_file)")"

note "restart: the alarm is armed again; a second copy changes nothing"
"$program" >/dev/null 2>&1 &
pid=$!
id=$(wait_window Belltide) || fail "no window after restart"
before=$(md5sum < "$(settings_file)")
timeout 10 "$program" >/dev/null 2>&1 || fail "second copy did not end cleanly"
[[ $(xdotool search --onlyvisible --name '^Belltide$' | wc -l) == 1 ]] || fail "two main windows"
[[ $(md5sum < "$(settings_file)") == "$before" ]] || fail "second copy touched the settings"
kill -0 "$pid" || fail "first copy ended"

note "SIGTERM saves like the close box"
type_into "$id" $TXTTIME "6:05"
kill -TERM "$pid"
wait "$pid" || fail "exit status $? after SIGTERM"
grep -q 'timealarm="6:05"' "$(settings_file)" || fail "SIGTERM did not save"
note "ok"
