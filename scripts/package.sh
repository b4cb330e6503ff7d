#!/usr/bin/env bash
# Builds the Debian package with Debian's own tools (debian/, dh with CMake)
# in a copy of the source, so the tree stays clean, and prints the path of
# the .deb last.
#   scripts/package.sh [OUTDIR]    (default: build-deb)
# The package, its debug symbols (belltide-dbgsym) and the .changes and
# .buildinfo files land in OUTDIR.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(realpath -m "${1:-build-deb}")

scripts/install-deps.sh --package

version=$(dpkg-parsechangelog -S Version)
src="$out/belltide-$version"
rm -rf "$src" "$out"/belltide_"$version"_* "$out"/belltide-dbgsym_"$version"_*
scripts/copy-source.sh "$src"

(cd "$src" && DEB_BUILD_OPTIONS="parallel=$(nproc) ${DEB_BUILD_OPTIONS:-}" \
  dpkg-buildpackage -us -uc -b) >&2
rm -rf "$src"
deb="$out/belltide_${version}_$(dpkg-architecture -qDEB_HOST_ARCH).deb"
[[ -f $deb ]] || { echo "package.sh: dpkg-buildpackage made no $deb" >&2; exit 1; }
echo "$deb"
