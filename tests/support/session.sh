# The set-up bus.sh, desktop.sh, portal.sh and mutter.sh share, sourced with a name for the work
# folder: required tools, a temporary folder, and the processes started for
# the command, all ended with the script.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
require_dbusmock() { # the stand-ins' python3-dbusmock, Debian's
  /usr/bin/python3 -c 'import dbusmock' 2>/dev/null \
    || fail "python3-dbusmock is missing; scripts/install-deps.sh --test installs it"
}
work=$(mktemp -d "${TMPDIR:-/tmp}/belltide-$1.XXXXXX")
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT
# The stand-ins' shared module (inhibitions.py) leaves no cache in the sources.
export PYTHONDONTWRITEBYTECODE=1
# A session bus of its own: what the program asks of the desktop's services
# goes there, never to the machine's own session; and it starts none of the
# machine's services (tests/support/bus/session.conf).
own_bus() {
  local bus
  bus=$(dbus-daemon --config-file="$(dirname "${BASH_SOURCE[0]}")/bus/session.conf" --fork \
          --print-address=1 --print-pid=1 --nopidfile) || fail "dbus-daemon did not start"
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$bus")
  pids+=("$(sed -n 2p <<<"$bus")")
}
