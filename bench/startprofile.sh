#!/usr/bin/env bash
# Where the start-up goes: Belltide and the bare Qt widgets window each run
# once under callgrind (Xvfb with openbox, an empty settings store), and the
# instructions they execute are counted in two parts:
#   - on the main thread up to the event loop, i.e. up to the main window's
#     map (the window is mapped when the event loop first flushes the display
#     connection);
#   - on the main thread from there to the end of the first paint (the first
#     QBackingStore::flush), when the user first sees the window's contents;
# with, for each part, what loading fonts took (QFontDatabasePrivate::load:
# Qt's font list, matching and fallback searches, opening faces) and what
# fontconfig's configuration took (FcInit), plus what the program's other
# threads did over the whole run. Instruction counts do not depend on the
# machine's load, so this is the profile behind the start-up figures of
# bench/run.sh.
#
#   bench/startprofile.sh     build into build-bench, profile, print
# Environment: BENCH_DISPLAY (default 115), BENCH_BUILD_DIR (build-bench),
# BENCH_KEEP (a folder to keep the callgrind files in, for callgrind_annotate).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

display_num=${BENCH_DISPLAY:-115}
build=${BENCH_BUILD_DIR:-$root/build-bench}

source bench/lib.sh

for tool in valgrind callgrind_annotate; do
  command -v $tool >/dev/null || die "$tool is not installed (scripts/install-deps.sh --test)"
done
build_bench belltide belltide-media bench_bare bench_mapwait
start_desktop

# profile NAME PROGRAM TITLE: callgrind files $work/NAME.out.1-01 (main
# thread up to the event loop), .2-01 (on to the first flush) and
# NAME.out-NN (each thread's rest, at the end).
profile() {
  local home
  home=$(mktemp -d "$work/home.XXXXXX")
  mkdir -p "$home/.config" "$home/runtime"
  chmod 700 "$home/runtime"
  echo "== $1 under callgrind" >&2
  env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime" LANG=C.UTF-8 LC_ALL=C.UTF-8 \
    "$build/bench/bench_mapwait" --title "$3" --timeout-ms 120000 --hold-s 1 -- \
    valgrind --tool=callgrind --separate-threads=yes \
    --dump-before='QCoreApplication::exec*' --dump-after='QBackingStore::flush*' \
    --callgrind-out-file="$work/$1.out" "$2" >"$work/$1.mapwait" 2>"$work/$1.log" \
    || { tail -20 "$work/$1.log" >&2; die "$2 did not show its window under callgrind"; }
  [[ -f $work/$1.out.1-01 && -f $work/$1.out.2-01 ]] || die "callgrind wrote no dump for $1"
}
profile belltide "$build/belltide/belltide" Belltide
profile bare "$build/bench/bench_bare" "Bare Qt yardstick"

total() { awk '/^(summary|totals):/ { print $2; exit }' "$1"; }
# inclusive FILE FUNCTION: the instructions spent in FUNCTION and what it called
inclusive() {
  callgrind_annotate --inclusive=yes --threshold=100 "$1" 2>/dev/null \
    | awk -v f=":$2" '!found && index($0, f) { gsub(",", "", $1); print $1; found = 1 } END { if (!found) print 0 }'
}
# others NAME [FUNCTION]: over the whole run of every thread but the main one,
# all their instructions, or those spent in FUNCTION
others() {
  local sum=0 f
  for f in "$work/$1".out-*; do
    [[ $f == *-01 ]] && continue
    sum=$((sum + $(if (($# > 1)); then inclusive "$f" "$2"; else total "$f"; fi)))
  done
  echo "$sum"
}
m() { awk -v n="$1" 'BEGIN { printf "%.1f", n / 1e6 }'; }

declare -A v
for p in belltide bare; do
  v[$p.pre]=$(total "$work/$p.out.1-01")
  v[$p.prefont]=$(inclusive "$work/$p.out.1-01" 'QFontDatabasePrivate::load(')
  v[$p.prefc]=$(inclusive "$work/$p.out.1-01" 'FcInit ')
  v[$p.post]=$(total "$work/$p.out.2-01")
  v[$p.postfont]=$(inclusive "$work/$p.out.2-01" 'QFontDatabasePrivate::load(')
  v[$p.postfc]=$(inclusive "$work/$p.out.2-01" 'FcInit ')
  v[$p.others]=$(others $p)
  v[$p.othersfc]=$(others $p 'FcInit ')
done

row() { printf '%-58s %9s %9s\n' "$1" "$(m "${v[belltide.$2]}")" "$(m "${v[bare.$2]}")"; }
echo
echo "Instructions up to the map and the first paint (callgrind, millions)"
printf '%-58s %9s %9s\n' "" Belltide bare
row "main thread, exec to the event loop (the map)" pre
row "  loading fonts (QFontDatabasePrivate::load)" prefont
row "  fontconfig's configuration (FcInit)" prefc
row "main thread, event loop to the end of the first paint" post
row "  loading fonts (QFontDatabasePrivate::load)" postfont
row "  fontconfig's configuration (FcInit)" postfc
for p in belltide bare; do v[$p.all]=$(( ${v[$p.pre]} + ${v[$p.post]} )); done
row "main thread, exec to the end of the first paint" all
row "other threads, whole run" others
row "  fontconfig's configuration (FcInit)" othersfc
echo "(FcInit is counted within font loading where font loading calls it.)"

if [[ -n ${BENCH_KEEP:-} ]]; then
  mkdir -p "$BENCH_KEEP"
  cp "$work"/*.out* "$BENCH_KEEP"/
  echo "callgrind files kept in $BENCH_KEEP" >&2
fi
