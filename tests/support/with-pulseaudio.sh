#!/usr/bin/env bash
# Runs a command against a private PulseAudio server with a null sink, so that
# audio tests have a real output device on a machine without a sound card. The
# server lives in its own 0700 runtime folder and is stopped afterwards. If it
# cannot start, the command still runs, with no audio device at all.
#   with-pulseaudio.sh COMMAND [ARGS...]
set -u

dir=$(mktemp -d "${TMPDIR:-/tmp}/belltide-pulse.XXXXXX") || exit 1
chmod 700 "$dir"
pa_pid=
watch_pid=
cleanup() {
    [[ -n "$watch_pid" ]] && kill "$watch_pid" 2>/dev/null
    if [[ -n "$pa_pid" ]]; then
        kill "$pa_pid" 2>/dev/null
        wait "$pa_pid" 2>/dev/null
    fi
    rm -rf "$dir"
}
trap cleanup EXIT
trap '[[ -n "${cmd_pid:-}" ]] && kill "$cmd_pid" 2>/dev/null; exit 143' TERM INT

# Never reach the user's own sound server, and never spawn one behind our back.
printf 'autospawn = no\n' > "$dir/client.conf"
export PULSE_CLIENTCONFIG="$dir/client.conf"
export XDG_RUNTIME_DIR="$dir"
export PULSE_SERVER="unix:$dir/pulse/native"

if command -v pulseaudio >/dev/null 2>&1; then
    HOME="$dir" pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
        --use-pid-file=no --log-target=file:"$dir/pulseaudio.log" \
        -L module-native-protocol-unix -L "module-null-sink sink_name=nullsink" \
        -L module-always-sink </dev/null >/dev/null 2>&1 &
    pa_pid=$!
    for _ in $(seq 50); do
        if [[ -S "$dir/pulse/native" ]] && { ! command -v pactl >/dev/null 2>&1 || pactl info >/dev/null 2>&1; }; then
            break
        fi
        if ! kill -0 "$pa_pid" 2>/dev/null; then
            pa_pid=
            break
        fi
        sleep 0.1
    done
fi
if [[ -n "$pa_pid" ]] && [[ -S "$dir/pulse/native" ]]; then
    export BELLTIDE_TEST_PULSE=1
else
    echo "with-pulseaudio: no PulseAudio server; running with no audio device" >&2
    [[ -f "$dir/pulseaudio.log" ]] && cat "$dir/pulseaudio.log" >&2
fi

# In the background, so that a termination stops the server at once.
"$@" &
cmd_pid=$!
if [[ -n "$pa_pid" ]]; then
    # Should this script be killed outright, the server must not outlive it.
    ( while kill -0 $$ 2>/dev/null; do sleep 1; done; kill "$pa_pid" 2>/dev/null ) &
    watch_pid=$!
fi
wait "$cmd_pid"
