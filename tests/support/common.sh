# What every test script shares: a failure with its reason, waiting for a
# condition, the tools a test needs, and the names owned on the session bus.
fail() { echo "FAIL: $*" >&2; exit 1; }
within() { # SECONDS COMMAND...: until the command succeeds, tried every 0.1 s
  local i
  for ((i = 0; i < $1 * 10; i++)); do "${@:2}" && return 0; sleep 0.1; done
  return 1
}
require() { # TOOL...: each one installed, or a failure naming the installer
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || fail "$tool is missing; scripts/install-deps.sh --test installs it"
  done
}
owned() { # BUS_NAME: whether a client of the session bus owns it
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner "string:$1" \
    2>/dev/null | grep -q 'boolean true'
}
