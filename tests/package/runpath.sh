#!/usr/bin/env bash
# The build tree's programs look for libraries only in absolute folders or
# beside themselves ($ORIGIN): an empty or relative RUNPATH entry would load
# a library from whatever folder the program is started in.
#   runpath.sh FILE...
set -euo pipefail
source "$(dirname "$0")/../support/common.sh"
require readelf
bad=0
for f in "$@"; do
  path=$(readelf -d "$f" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
  echo "$(basename "$f"): ${path:-(none)}"
  # Each entry absolute or beside the program; an empty one (a leading,
  # trailing or doubled colon too) is the current folder.
  if [[ -n $path ]] && tr : '\n' <<<"$path" | grep -qvE '^(/|\$ORIGIN(/|$))'; then
    echo "FAIL: $f searches the current folder or one relative to it: $path" >&2
    bad=1
  fi
done
exit $bad
