#!/usr/bin/env bash
# Builds the Debian package as scripts/package.sh does (in a copy of the
# source, under OUTDIR) and checks it as a distribution would: lintian on the
# package and its debug symbols, appstreamcli on the AppStream metainfo and
# desktop-file-validate on the desktop entry. Any error or warning fails.
#   package.sh SOURCE_DIR OUTDIR
set -euo pipefail
src=$1 out=$2
source "$(dirname "$0")/../support/common.sh"
require dpkg-buildpackage dh fakeroot lintian appstreamcli desktop-file-validate

deb=$("$src/scripts/package.sh" "$out" 2>"$out.log" | tail -n1) \
  || { tail -40 "$out.log" >&2; fail "the package did not build (log: $out.log)"; }
dbgsym=$(ls "$out"/belltide-dbgsym_*.deb 2>/dev/null) || fail "no debug symbols package beside $deb"
dpkg-deb -I "$deb" | grep -E '^ (Package|Version|Depends):'
# Pedantic and informational findings are shown; errors and warnings fail.
lintian --info --pedantic --fail-on error,warning "$deb" "$dbgsym" || fail "lintian found errors or warnings"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
metainfo=("$root"/usr/share/metainfo/*.metainfo.xml)
desktop=("$root"/usr/share/applications/*.desktop)
[[ -f ${metainfo[0]} && -f ${desktop[0]} ]] || fail "the package has no metainfo or desktop entry"
id=$(basename "${metainfo[0]}" .metainfo.xml)

report=$(appstreamcli validate --no-net --pedantic "${metainfo[0]}" 2>&1) && ! grep -qE '^(E|W):' <<<"$report" \
  || { echo "$report"; fail "appstreamcli found errors or warnings in $(basename "${metainfo[0]}")"; }
report=$(desktop-file-validate "${desktop[0]}" 2>&1) && [[ -z $report ]] \
  || { echo "$report"; fail "desktop-file-validate found errors or warnings in $(basename "${desktop[0]}")"; }

# The entry, the icon and the metainfo share the application id, and the
# windows' class the entry names is the one the programs give them.
[[ ${desktop[0]} == */$id.desktop ]] || fail "desktop entry $(basename "${desktop[0]}") is not named $id"
[[ -f $root/usr/share/icons/hicolor/256x256/apps/$id.png ]] || fail "no icon named $id"
grep -qx "Icon=$id" "${desktop[0]}" && grep -qx "StartupWMClass=$id" "${desktop[0]}" \
  || fail "the desktop entry does not name the icon and window class $id"
for program in belltide belltide-web belltide-help; do
  grep -qa "$id" "$root"/usr/lib/*/belltide/$program || fail "$program does not carry the application id $id"
done
echo "package: ok"
