#!/usr/bin/env bash
# Installs what is missing, builds Belltide with its tests and runs them all.
#   scripts/test.sh [CTEST ARGS...]               on this machine
#   scripts/test.sh --debian 13 [CTEST ARGS...]   the same, in a clean Debian 13
#                                                 system (scripts/debian-system.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} == --debian ]]; then
  [[ -n ${2:-} ]] || { echo "usage: scripts/test.sh --debian RELEASE [CTEST ARGS...]" >&2; exit 2; }
  exec scripts/debian-system.sh "$2" scripts/test.sh "${@:3}"
fi
scripts/install-deps.sh --test
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBELLTIDE_BUILD_TESTS=ON -DBELLTIDE_WERROR=ON >/dev/null
cmake --build build-test -j"$(nproc)"
cd build-test
ctest --output-on-failure --timeout 600 "$@"
