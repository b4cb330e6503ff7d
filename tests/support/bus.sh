#!/usr/bin/env bash
# Runs a command on a session bus of its own, which starts none of the
# machine's services; everything it starts ends with it.
#   bus.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/session.sh" bus
require dbus-daemon
own_bus
"$@" &
wait $!
