#!/usr/bin/env bash
# The build tree's programs look for libraries only in absolute folders or
# beside themselves ($ORIGIN): an empty or relative RUNPATH entry would load
# a library from whatever folder the program is started in.
#   runpath.sh FILE...
set -euo pipefail
command -v readelf >/dev/null \
  || { echo "FAIL: readelf is missing; scripts/install-deps.sh installs it (binutils)" >&2; exit 1; }
bad=0
for f in "$@"; do
  path=$(readelf -d "$f" | sed -n 's/.*(R\(UN\)\{0,1\}PATH).*\[\(.*\)\]$/\2/p')
  echo "$(basename "$f"): ${path:-(none)}"
  [[ -z $path ]] && continue
  IFS=: read -r -a entries <<<"$path:"
  for e in "${entries[@]}"; do
    [[ $e == /* || $e == '$ORIGIN' || $e == '$ORIGIN/'* ]] && continue
    echo "FAIL: $f searches ${e:-the current folder (an empty entry)}${e:+ (relative to the current folder)}" >&2
    bad=1
    break
  done
done
exit $bad
