# Drives the real program as a person would: finds its windows, clicks at the
# controls' places (design pixels below the menu bar), types, copies texts out
# and listens to the sound server. Sourced by the scenarios, which run inside
# tests/support/desktop.sh with the program as their first argument.
set -euo pipefail
support="$(dirname "${BASH_SOURCE[0]}")/../support"
source "$support/common.sh"
note() { echo "-- $*"; }
is() { [[ $("${@:2}") == "$1" ]]; } # EXPECTED COMMAND...: the command prints that
# A program folder of our own, so the reminder file lands there.
app="$HOME/app"
if [[ -n "${1:-}" ]]; then cp -r "$(dirname "$1")" "$app"; program="$app/belltide"; fi
# set_clock "YYYY-MM-DD hh:mm:ss[.frac]": the clock of a program started on a
# fake clock, in UTC, from now on (libfaketime reads the offset at each call)
shift_file="$HOME/faketime.rc"
set_clock() { printf '%+.3f\n' "$(( $(date -ud "$1" +%s%N) - $(date +%s%N) ))e-9" >"$shift_file"; }
export FAKETIME_NO_CACHE=1 FAKETIME_DONT_FAKE_MONOTONIC=1
start() { # [FAKE_START_TIME]: the program, on a fake clock set then if given
  [[ -z "${1:-}" ]] || { set_clock "$1"; export LD_PRELOAD=$(dpkg -L libfaketime | grep -m1 '/libfaketime\.so\.1$'); }
  [[ -z "${1:-}" ]] || export FAKETIME_TIMESTAMP_FILE=$shift_file
  "$program" >>"$HOME/belltide.log" 2>&1 &
  pid=$!
  unset LD_PRELOAD FAKETIME_TIMESTAMP_FILE
  id=$(wait_window Belltide 90) || { diagnose; fail "no main window"; }
}
diagnose() { # what a window that never showed leaves to look at
  cat "$HOME/belltide.log"; ps -o pid,stat,etime,cmd -p "$pid" || true
  ! command -v gdb >/dev/null || gdb -p "$pid" -batch -ex "thread apply all bt 15" 2>/dev/null | grep -E '^(Thread|#)'
}
gone() { [[ ! -d /proc/$pid || $(sed 's/.*) //' "/proc/$pid/stat" 2>/dev/null) == Z* ]]; }
ended() { # [TIMEOUT_S]: the program's exit status once it has ended, within 60 s, or a failure
  within "${1:-60}" gone || { diagnose; kill -KILL "$pid"; fail "the program did not end within ${1:-60} s"; }
  wait "$pid"
}
# The program's own windows of a title, found by their class: a window
# manager's frame may carry the same title (GNOME's from mutter 44 on).
windows() { # TITLE_REGEX
  local w name re="^$1\$"
  for w in $(xdotool search --onlyvisible --class '^com\.corvanta\.belltide$' 2>/dev/null); do
    name=$(xdotool getwindowname "$w" 2>/dev/null) && [[ $name =~ $re ]] && echo "$w"
  done
  return 0
}
first_window() { found=$(windows "$1" | head -n 1); [[ -n $found ]]; }
wait_window() { within "${2:-30}" first_window "$1" && sleep 0.5 && echo "$found"; } # TITLE_REGEX [TIMEOUT_S]
count_windows() { windows "$1" | wc -l; }
window_gone() { within 10 is "" windows "$1"; }
width() { xwininfo -id "$1" | awk '/Width:/{print $2}'; }
click() { # X Y of the main window's client area
  local h; h=$(xwininfo -id "$id" | awk '/Height:/{print $2}')
  xdotool mousemove --window "$id" "$1" $(($2 + h - 335)) click 1
  sleep 0.3
}
menu() { # MENU_X N: the N-th entry of that menu
  xdotool mousemove --window "$id" "$1" 8 click 1
  sleep 0.3
  for _ in $(seq "$2"); do xdotool key Down; done
  xdotool key Return
  sleep 0.3
}
type_into() { click "$1" "$2"; xdotool key ctrl+a BackSpace; xdotool type --delay 20 "$3"; }
read_box() { # X Y: the box's text as a person would copy it, "<empty>" if none
  printf '<empty>' | xclip -selection clipboard >/dev/null 2>&1
  click "$1" "$2"
  xdotool key ctrl+a ctrl+c
  sleep 0.3
  xclip -o -selection clipboard
}
wait_sound() { within 10 is "$1" bash "$support/streams.sh"; } # N: until N streams are on the null sink
dismiss_box() { # TITLE: the message box is there, Return closes it
  wait_window "$1" >/dev/null || fail "no message box '$1'"
  xdotool key Return
  window_gone "$1" || fail "box '$1' stayed"
}
settings() { echo "$XDG_CONFIG_HOME/belltide/settings.ini"; }
TXTTIME="60 144" TXTFILE="60 240" CMDSET="60 306" CMDRESET="170 306" COMMAND1="100 8"
CMDREM="226 192" CMDIN="217 192" TXTREM="400 250" CMDREMSET="392 308"
MENU_FILE=15 MENU_VIEW=50 MENU_HELP=90
arm() { type_into $TXTTIME "$1"; click $CMDSET; }
# stand_in TEMPLATE BUS_NAME [PARAMETERS]: a python3-dbusmock stand-in from
# tests/support on the desktop's session bus, until the story ends
stand_ins=()
trap '[[ ${#stand_ins[@]} -eq 0 ]] || kill "${stand_ins[@]}" 2>/dev/null || true' EXIT
stand_in() {
  local args=(-m dbusmock --session -t "$support/$1.py" -l "$HOME/$1.log")
  [[ -z "${3:-}" ]] || args+=(-p "$3")
  /usr/bin/python3 "${args[@]}" >>"$HOME/$1.out" 2>&1 &
  stand_ins+=($!)
  within 30 owned "$2" || { cat "$HOME/$1.out"; fail "the stand-in $1 did not start"; }
}
held() { # BUS_NAME PATH METHOD: what a stand-in holds, a line per item
  /usr/bin/python3 -c 'import dbus, sys
o = dbus.SessionBus().get_object(sys.argv[1], sys.argv[2])
print("\n".join(o.get_dbus_method(sys.argv[3], "org.freedesktop.DBus.Mock")()))' "$@"
}
# What reached the service beneath the real portal's backend (tests/support/portal.sh)
inhibitions() { held "$POWER_NAME" "$POWER_PATH" Inhibitions; }
timers() { held org.freedesktop.systemd1 /org/freedesktop/systemd1 Timers; }
until_held() { # WHAT EXPECTED: within 20 s
  within 20 is "$2" "$1" || { echo "$1: $($1)" >&2; tail -n 5 "$HOME"/*.log >&2; return 1; }
}
