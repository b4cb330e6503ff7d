#!/usr/bin/env bash
# Faults a user may meet: a full disk, a read-only home, garbage in the files,
# a megabyte pasted into each box. The program says what went wrong, loses
# nothing that was saved before, and runs on. Needs root for its mounts.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
program=${1:?usage: tst_faults.sh PROGRAM}
[[ $(id -u) == 0 ]] || { echo "SKIP: needs root to mount file systems"; exit 77; }

mounts=()
cleanup_mounts() { for m in "${mounts[@]}"; do umount -l "$m" 2>/dev/null || true; done; }
trap cleanup_mounts EXIT
small_fs() { mkdir -p "$1"; mount -t tmpfs -o "size=$2" tmpfs "$1"; mounts+=("$1"); }
fill() { dd if=/dev/zero of="$1/filler" bs=4k >/dev/null 2>&1 || true; }

start() {
  "$program" >"$HOME/belltide.log" 2>&1 &
  pid=$!
  id=$(wait_window Belltide) || fail "no main window"
}
exit_by_menu() { menu "$id" $MENU_FILE 1; }

note "a full disk at exit: a message names the file, the saved values stay"
export XDG_CONFIG_HOME="$HOME/full-config"
small_fs "$XDG_CONFIG_HOME" 256k
start
type_into "$id" $TXTTIME "5:55"
exit_by_menu
wait "$pid"
grep -q 'timealarm="5:55"' "$(settings_file)" || fail "first save missing"
before=$(md5sum < "$(settings_file)")
fill "$XDG_CONFIG_HOME"
start
type_into "$id" $TXTTIME "6:06"
exit_by_menu
for _ in $(seq 50); do [[ $(count_windows Belltide) == 2 ]] && break; sleep 0.1; done
[[ $(count_windows Belltide) == 2 ]] || fail "no message about the failed save"
xdotool key Return
wait "$pid" || fail "exit status $?"
[[ $(md5sum < "$(settings_file)") == "$before" ]] || fail "the saved settings changed"
note "message shown; settings kept: $(grep timealarm "$(settings_file)")"

note "a read-only home: the same"
export XDG_CONFIG_HOME="$HOME/ro-config"
small_fs "$XDG_CONFIG_HOME" 1m
mkdir -p "$XDG_CONFIG_HOME/belltide"
printf '[Corvanta\\lastsettings]\ntimealarm="7:07"\nAlarmMusic="/music/kept.mp3"\n' > "$(settings_file)"
mount -o remount,ro "$XDG_CONFIG_HOME"
before=$(md5sum < "$(settings_file)")
start
[[ $(read_box "$id" $TXTTIME) == "7:07" ]] || fail "the saved alarm was not restored"
exit_by_menu
for _ in $(seq 50); do [[ $(count_windows Belltide) == 2 ]] && break; sleep 0.1; done
[[ $(count_windows Belltide) == 2 ]] || fail "no message about the read-only settings"
xdotool key Return
wait "$pid"
[[ $(md5sum < "$(settings_file)") == "$before" ]] || fail "read-only settings changed"

note "a full disk under Set Reminder: an Error message, the text stays"
export XDG_CONFIG_HOME="$HOME/.config"
app="$HOME/fullapp"
small_fs "$app" 64m
cp -r "$(dirname "$program")"/. "$app"/
fill "$app"
program_saved=$program
program="$app/belltide"
start
click "$id" $CMDREM
type_into "$id" $TXTREM "keep this reminder"
click "$id" $CMDREMSET
dismiss_box Error
[[ $(read_box "$id" $TXTREM) == "keep this reminder" ]] || fail "the reminder text was lost"
[[ ! -s "$app/reminder.ini" ]] || fail "a reminder file was written"
exit_by_menu
wait "$pid"
program=$program_saved

note "garbage in the settings file and the reminder file"
app="$HOME/app"
cp -r "$(dirname "$program")" "$app"
program="$app/belltide"
head -c 65536 /dev/urandom > "$(settings_file)"
head -c 65536 /dev/urandom > "$app/reminder.ini"
start
exit_by_menu
wait "$pid" || fail "exit status $? after garbage"
grep -q 'timealarm=' "$(settings_file)" || fail "settings not rewritten after garbage"

note "a megabyte pasted into each text box"
big=$(head -c 1048576 /dev/zero | tr '\0' 'x')
start
click "$id" $CMDREM
for box in "$TXTTIME" "$TXTFILE" "$TXTREM"; do
  printf '%s' "$big" | xclip -selection clipboard >/dev/null 2>&1
  click "$id" $box
  xdotool key ctrl+a ctrl+v
  sleep 1
done
kill -0 "$pid" || fail "the program ended after the paste"
sleep 2
exit_by_menu
wait "$pid" || fail "exit status $? after the paste"
size=$(stat -c %s "$(settings_file)")
(( size > 2 * 1048576 )) || fail "the pasted texts were not saved ($size bytes)"
# The next start restores the long texts: leaving again saves them unchanged.
before=$(md5sum < "$(settings_file)")
start
kill -TERM "$pid"; wait "$pid"
[[ $(md5sum < "$(settings_file)") == "$before" ]] || fail "the pasted texts did not come back whole"
note "settings with the pasted texts: $size bytes, restored whole"
note "ok"
