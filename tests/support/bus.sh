#!/usr/bin/env bash
# Runs a command on a session bus of its own, which starts none of the
# machine's services, for stand-ins the command starts itself (python3-dbusmock
# templates here); everything it starts ends with it.
#   bus.sh COMMAND [ARGS...]
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/session.sh" bus
require dbus-daemon
require_dbusmock
own_bus
"$@" &
wait $!
