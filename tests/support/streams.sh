#!/usr/bin/env bash
# streams.sh [playing]: how many sound streams the private desktop's null sink
# (tests/support/desktop.sh) has; with "playing", how many are not paused.
if [[ ${1:-} == playing ]]; then line='Corked: no'; else line='Sink Input #'; fi
pactl list sink-inputs | grep -c "$line" || true
