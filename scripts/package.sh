#!/usr/bin/env bash
# Builds the Debian package with Debian's own tools (debian/, dh with CMake)
# in a copy of the source, so the tree stays clean, and prints the path of
# the .deb last.
#   scripts/package.sh [OUTDIR]    (default: build-deb)
# The package, its debug symbols (belltide-dbgsym) and the .changes and
# .buildinfo files land in OUTDIR.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out=$(realpath -m "${1:-build-deb}")

scripts/install-deps.sh --package

version=$(dpkg-parsechangelog -S Version)
src="$out/belltide-$version"
rm -rf "$src" "$out"/belltide_"$version"_* "$out"/belltide-dbgsym_"$version"_*
mkdir -p "$src"
# The files git knows of (tracked, and new ones not ignored), as they are now.
if git -c safe.directory="$root" rev-parse --git-dir >/dev/null 2>&1; then
  git -c safe.directory="$root" ls-files -z --cached --others --exclude-standard \
    | (tar --null --files-from=- -cf - 2>/dev/null || true) | tar -xf - -C "$src"
else
  tar --exclude='./build*' --exclude=./.git -cf - . | tar -xf - -C "$src"
fi
[[ -f $src/debian/control ]] || { echo "package.sh: copying the source to $src failed" >&2; exit 1; }

(cd "$src" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
  dpkg-buildpackage -us -uc -b) >&2
rm -rf "$src"
deb="$out/belltide_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb"
[[ -f $deb ]] || { echo "package.sh: dpkg-buildpackage made no $deb" >&2; exit 1; }
echo "$deb"
