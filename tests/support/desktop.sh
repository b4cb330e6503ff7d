#!/usr/bin/env bash
# Runs a command on a private desktop: Xvfb on a free display, the openbox
# window manager, a PulseAudio null sink, a session bus of its own and a
# temporary HOME. Everything it
# starts ends with it. A missing tool is a failure, never a skipped test.
#   desktop.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/session.sh" desktop
require Xvfb openbox pulseaudio pactl xdotool xclip xwininfo xprop ffmpeg faketime dbus-daemon dbus-send

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_RUNTIME_DIR="$work/run" PULSE_SERVER="unix:$work/run/pulse/native"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
printf 'autospawn = no\n' > "$work/client.conf" && export PULSE_CLIENTCONFIG="$work/client.conf"

own_bus

exec {fd}<> <(:)
# -noreset: a server that resets when its last client leaves turns away
# whoever connects meanwhile, the window manager included.
Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
pids+=($!)
read -r -t 30 -u "$fd" display || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
export DISPLAY=":$display"
# A story may end the X server itself, as the end of a session does.
export DESKTOP_XVFB_PID=${pids[-1]}
openbox --sm-disable >"$work/openbox.log" 2>&1 &
pids+=($!)
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --use-pid-file=no \
  -L module-native-protocol-unix -L "module-null-sink sink_name=nullsink" -L module-always-sink \
  >"$work/pulse.log" 2>&1 &
pids+=($!)
within 30 pactl info >/dev/null 2>&1 || { cat "$work/pulse.log" >&2; fail "PulseAudio did not start"; }
# Windows get their frames once the window manager runs. openbox names its
# check window early in its start and sets the client list once it has
# started; a window shown in between may never be mapped.
wm_up() {
  local root; root=$(xprop -root _NET_SUPPORTING_WM_CHECK _NET_CLIENT_LIST 2>/dev/null)
  [[ $root == *"_NET_SUPPORTING_WM_CHECK(WINDOW): window id"* && $root == *"_NET_CLIENT_LIST(WINDOW)"* ]]
}
within 30 wm_up || { cat "$work/openbox.log" >&2; fail "openbox did not start"; }

"$@" &
wait $!
