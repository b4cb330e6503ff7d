# Helpers for driving the real program as a person would: find its windows,
# click at the controls' places (in design pixels below the menu bar), type.
# Sourced by the end-to-end tests, which run inside with-desktop.sh.

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "-- $*"; }

# wait_window TITLE [TIMEOUT_S] -> prints the window id
wait_window() {
  local title=$1 timeout=${2:-15} id
  for _ in $(seq $((timeout * 10))); do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
    # give the window manager a moment to frame it
    [[ -n "$id" ]] && { sleep 0.5; echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

window_gone() {
  local title=$1 timeout=${2:-10}
  for _ in $(seq $((timeout * 10))); do
    xdotool search --onlyvisible --name "^${title}\$" >/dev/null 2>&1 || return 0
    sleep 0.1
  done
  return 1
}

# window_size ID -> "W H" of the client area
window_size() {
  xwininfo -id "$1" | awk '/Width:/{w=$2} /Height:/{h=$2} END{print w, h}'
}

# The main window's menu bar height: its client is the menu bar plus 335 px.
menu_height() {
  local w h
  read -r w h < <(window_size "$1")
  echo $((h - 335))
}

# click ID X Y: at design pixel X,Y of the main window's client area
click() {
  local id=$1 x=$2 y=$3
  xdotool mousemove --window "$id" "$x" $((y + $(menu_height "$id"))) click 1
  sleep 0.2
}

# menu ID MENU_X ENTRY_INDEX: open the menu under MENU_X in the menu bar and
# choose its ENTRY_INDEX-th entry (1-based) with the keyboard.
menu() {
  local id=$1 x=$2 n=$3
  xdotool mousemove --window "$id" "$x" 8 click 1
  sleep 0.3
  for _ in $(seq "$n"); do xdotool key Down; done
  xdotool key Return
  sleep 0.3
}

type_into() {
  local id=$1 x=$2 y=$3 text=$4
  click "$id" "$x" "$y"
  xdotool key ctrl+a BackSpace
  xdotool type --delay 20 "$text"
}

settings_file() { echo "$XDG_CONFIG_HOME/belltide/settings.ini"; }

# Design places of the main window's controls (pixels of the client area).
TXTTIME="60 144"
TXTFILE="60 240"
CMDSET="60 306"
CMDRESET="170 306"
CMDREM="226 192"
MENU_FILE=15
MENU_VIEW=50
MENU_HELP=90

CMDBROWSE="170 276"
COMMAND1="100 8"
COMMAND2="60 277"
TXTREM="400 250"
CMDREMSET="392 308"

# read_box ID X Y: the text of the box at X,Y, as a person would copy it.
# An empty box copies nothing: the clipboard keeps its marker.
read_box() {
  local id=$1 x=$2 y=$3
  printf '%s' '<empty>' | xclip -selection clipboard >/dev/null 2>&1
  sleep 0.2
  click "$id" "$x" "$y"
  xdotool key ctrl+a ctrl+c
  sleep 0.3
  xclip -o -selection clipboard
}

# sound_streams: how many streams play on the null sink now
sound_streams() { pactl list sink-inputs short 2>/dev/null | wc -l; }

# wait_streams N TIMEOUT_S: until exactly N streams play
wait_streams() {
  local n=$1 timeout=$2
  for _ in $(seq $((timeout * 10))); do
    [[ $(sound_streams) == "$n" ]] && return 0
    sleep 0.1
  done
  return 1
}

# now_text: the time text the clock shows now, waiting out the last seconds of
# a minute so an alarm typed now still falls in it.
now_text() {
  while (( 10#$(date +%S) >= 52 )); do sleep 1; done
  date +%-H:%M
}

# count_windows TITLE
count_windows() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | wc -l; }

# dismiss_box TITLE: wait for a message box and press its OK button
dismiss_box() {
  wait_window "$1" 10 >/dev/null || fail "no message box '$1'"
  xdotool key Return
  window_gone "$1" 5 || fail "message box '$1' stayed"
}
