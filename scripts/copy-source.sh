#!/usr/bin/env bash
# Copies the source tree as git knows it (tracked files and new ones not
# ignored, as they are now; without git, all but the build folders) into a
# folder, fresh each time.
#   scripts/copy-source.sh DEST
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dest=$1
rm -rf "$dest"
mkdir -p "$dest"
if git -c safe.directory="$root" rev-parse --git-dir >/dev/null 2>&1; then
  git -c safe.directory="$root" ls-files -z --cached --others --exclude-standard \
    | (tar --null --files-from=- -cf - 2>/dev/null || true) | tar -xf - -C "$dest"
else
  tar --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$dest"
fi
[[ -f $dest/CMakeLists.txt ]] || { echo "copy-source.sh: copying the source to $dest failed" >&2; exit 1; }
