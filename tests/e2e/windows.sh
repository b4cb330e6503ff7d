#!/usr/bin/env bash
# The secondary windows: the help viewer and the shop's web view, opened and
# closed as a person would. (About and the clock-only view: tst_windows and
# tst_app, and e2e_mutter's trips through XWayland.)
source "$(dirname "$0")/lib.sh"
start

note "Help > How To... opens the help viewer, once: again, it comes forward even from minimized"
menu $MENU_HELP 1
help=$(wait_window '.*HELP FOR BELLTIDE\.HLP.*') || fail "no help viewer"
xdotool windowminimize --sync "$help"
menu $MENU_HELP 1
within 30 is "$help" xdotool getactivewindow || fail "How To... did not bring the minimized help viewer forward"
xwininfo -id "$help" | grep -q IsViewable || fail "the help viewer is not on screen"
[[ $(count_windows '.*HELP FOR BELLTIDE\.HLP.*') == 1 ]] || fail "a second help viewer"

note "the shop button opens one web view window (a new helper once it has gone: tst_windows)"
id=$(wait_window Belltide)
click $COMMAND1
web=$(wait_window Quire 90) || fail "no web view window"
xdotool windowactivate --sync "$id"
click $COMMAND1
# Told to show the shop again, the helper brings its one window forward.
within 30 is "$web" xdotool getactivewindow || fail "a second click did not bring the web view window forward"
[[ $(count_windows Quire) == 1 ]] || fail "a second web view window"
menu $MENU_FILE 1
ended || fail "exit status $?"
window_gone Quire || fail "the web view window outlived the program"
note "ok"
