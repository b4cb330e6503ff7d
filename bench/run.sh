#!/usr/bin/env bash
# Measures Belltide against a bare Qt widgets window, side by side in one run,
# under Xvfb with openbox, and prints a table:
#   - start-up, from exec to the main window mapped and from exec to the
#     program's first drawing into it (median of N runs each, the two programs
#     alternating, each with an empty settings store), and the CPU time the
#     program had used by each, which other load on the machine sways far
#     less than the wall time;
#   - resident memory 5 s after the map;
#   - CPU used per minute idle;
#   - how far the seconds display trails the wall-clock second, and whether a
#     second was skipped or shown twice (bench_ticklag, the real main window);
#   - the alarm's latency: the real program with a saved alarm, started under
#     faketime a few seconds before a minute turns, on a private PulseAudio
#     null sink; from the minute's turn to the first new sink input that
#     `pactl subscribe` reports. Then, in the same run, Stop and Set Alarm for
#     the next minute (typed with xdotool, the clock moved on to a few seconds
#     before it): the second alarm. Also its resident memory while armed;
#   - the longest wait of the window's event loop around four alarms
#     (bench_alarmstall: the module's loading, a second alarm, two fallbacks
#     to the tone, and Stop).
#
#   bench/run.sh            build into build-bench, measure, print
# Environment: BENCH_DISPLAY (default 114), BENCH_RUNS (7), BENCH_BUILD_DIR
# (build-bench), BENCH_IDLE_S (60, the CPU and lag window), BENCH_ALARM_RUNS
# (10).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

display_num=${BENCH_DISPLAY:-114}
runs=${BENCH_RUNS:-7}
build=${BENCH_BUILD_DIR:-$root/build-bench}
idle_s=${BENCH_IDLE_S:-60}
alarm_runs=${BENCH_ALARM_RUNS:-10}
settle_s=5

source bench/lib.sh

build_bench belltide belltide-media bench_bare bench_ticklag bench_mapwait bench_alarmstall

belltide=$build/belltide/belltide
bare=$build/bench/bench_bare
ticklag=$build/bench/bench_ticklag
mapwait=$build/bench/bench_mapwait
alarmstall=$build/bench/bench_alarmstall
bare_title="Bare Qt yardstick"

# ---- Display ------------------------------------------------------------------
for tool in pulseaudio pactl xdotool ffmpeg; do
  command -v $tool >/dev/null || die "$tool is not installed (scripts/install-deps.sh --test)"
done
libfaketime=$(ls /usr/lib/*/faketime/libfaketime.so.1 2>/dev/null | head -n1)
[[ -n $libfaketime ]] || die "faketime is not installed (scripts/install-deps.sh --test)"
start_desktop

# A new user each time: empty settings store, own runtime folder.
fresh_env() {
  local home
  home=$(mktemp -d "$work/home.XXXXXX")
  mkdir -p "$home/.config" "$home/runtime"
  chmod 700 "$home/runtime"
  env_args=(env HOME="$home" XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/runtime"
            LANG=C.UTF-8 LC_ALL=C.UTF-8)
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "nan" }'; }
verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v != "nan" && v <= t) ? "ok" : "MISSED" }'; }

# One start: prints "map_ms rss_kb cpu_ms paint_ms paint_cpu_ms".
measure_start() { # program title hold_s
  fresh_env
  local out
  out=$("${env_args[@]}" "$mapwait" --title "$2" --timeout-ms 15000 --hold-s "$3" -- "$1" 2>"$work/mapwait.err") \
    || { cat "$work/mapwait.err" >&2; die "could not measure the start of $1"; }
  sed -E 's/.*map_ms=([0-9.]+) paint_ms=([0-9.]+) cpu_ms=([0-9.]+) paint_cpu_ms=([0-9.]+) rss_kb=([0-9-]+).*/\1 \5 \3 \2 \4/' <<<"$out"
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# ---- Start-up and memory --------------------------------------------------------
echo "== start-up and RSS: $runs runs each, alternating, ${settle_s} s hold" >&2
# One start of each first, not counted: it fills the disk cache and the font cache.
measure_start "$belltide" Belltide 0 >/dev/null
measure_start "$bare" "$bare_title" 0 >/dev/null
: >"$work/belltide.start"
: >"$work/bare.start"
for ((i = 1; i <= runs; i++)); do
  if ((i % 2)); then order=(belltide bare); else order=(bare belltide); fi
  for which in "${order[@]}"; do
    if [[ $which == belltide ]]; then
      r=$(measure_start "$belltide" Belltide "$settle_s")
    else
      r=$(measure_start "$bare" "$bare_title" "$settle_s")
    fi
    echo "$r" >>"$work/$which.start"
    read -r m k c p _ <<<"$r"
    echo "   run $i $which: map $m ms, first paint $p ms, CPU $c ms, RSS $k kB" >&2
  done
done
b_map=$(cut -d' ' -f1 "$work/belltide.start" | median)
y_map=$(cut -d' ' -f1 "$work/bare.start" | median)
b_rss=$(cut -d' ' -f2 "$work/belltide.start" | median)
y_rss=$(cut -d' ' -f2 "$work/bare.start" | median)
b_mapcpu=$(cut -d' ' -f3 "$work/belltide.start" | median)
y_mapcpu=$(cut -d' ' -f3 "$work/bare.start" | median)
b_paint=$(cut -d' ' -f4 "$work/belltide.start" | median)
y_paint=$(cut -d' ' -f4 "$work/bare.start" | median)
b_paintcpu=$(cut -d' ' -f5 "$work/belltide.start" | median)
y_paintcpu=$(cut -d' ' -f5 "$work/bare.start" | median)

# ---- Idle CPU and clock lag, together ------------------------------------------
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }   # utime + stime, in clock ticks
sched_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { print s + 0 }'; }

echo "== idle CPU over ${idle_s} s and clock lag over $((idle_s + settle_s)) s, together" >&2
fresh_env
"${env_args[@]}" "$belltide" >"$work/belltide.log" 2>&1 &
started+=($!)
b_pid=$!
fresh_env
"${env_args[@]}" "$bare" >"$work/bare.log" 2>&1 &
started+=($!)
y_pid=$!
fresh_env
"${env_args[@]}" "$ticklag" $((idle_s + settle_s)) >"$work/ticklag.out" 2>"$work/ticklag.err" &
started+=($!)
t_pid=$!

sleep "$settle_s"
for p in $b_pid $y_pid; do kill -0 "$p" 2>/dev/null || die "a program ended during the idle measurement"; done
b_t0=$(cpu_ticks $b_pid); y_t0=$(cpu_ticks $y_pid)
b_s0=$(sched_ns $b_pid); y_s0=$(sched_ns $y_pid)
sleep "$idle_s"
b_t1=$(cpu_ticks $b_pid); y_t1=$(cpu_ticks $y_pid)
b_s1=$(sched_ns $b_pid); y_s1=$(sched_ns $y_pid)
hz=$(getconf CLK_TCK)
per_min() { awk -v d="$1" -v hz="$hz" -v s="$idle_s" 'BEGIN { printf "%.0f", d * 1000 / hz * 60 / s }'; }
per_min_ns() { awk -v d="$1" -v s="$idle_s" 'BEGIN { printf "%.1f", d / 1e6 * 60 / s }'; }
b_cpu=$(per_min $((b_t1 - b_t0))); y_cpu=$(per_min $((y_t1 - y_t0)))
b_sched=$(per_min_ns $((b_s1 - b_s0))); y_sched=$(per_min_ns $((y_s1 - y_s0)))

wait "$t_pid" || { cat "$work/ticklag.err" >&2; die "bench_ticklag failed"; }
lag=$(grep '^samples=' "$work/ticklag.out") || die "bench_ticklag printed no result"
field() { sed -E "s/.*(^| )$1=([-0-9]+).*/\\2/" <<<"$lag"; }
lag_n=$(field samples); lag_p50=$(field p50); lag_p99=$(field p99); lag_max=$(field max)
skipped=$(field skipped); repeated=$(field repeated); wrong=$(field wrong)
paint_p50=$(field paint_p50); paint_p99=$(field paint_p99); paint_max=$(field paint_max)

# ---- Alarm latency, armed memory, event-loop waits -------------------------------
# A private sound server with a null sink; every program below plays there.
pulse_dir=$work/pulse
mkdir -m 700 "$pulse_dir"
printf 'autospawn = no\n' >"$pulse_dir/client.conf"
export PULSE_CLIENTCONFIG=$pulse_dir/client.conf PULSE_SERVER=unix:$pulse_dir/pulse/native
XDG_RUNTIME_DIR=$pulse_dir HOME=$pulse_dir pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit \
  --use-pid-file=no -L module-native-protocol-unix -L "module-null-sink sink_name=nullsink" \
  -L module-always-sink </dev/null >"$work/pulse.log" 2>&1 &
started+=($!)
for _ in $(seq 50); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pactl info >/dev/null 2>&1 || { cat "$work/pulse.log" >&2; die "PulseAudio did not start"; }

music=$work/alarm.wav
ffmpeg -loglevel error -f lavfi -i "sine=frequency=440:duration=2" "$music" || die "ffmpeg could not make $music"

# Every sink-input event, stamped with the wall clock as it arrives.
pactl subscribe > >(while IFS= read -r line; do
  [[ $line == *sink-input* ]] && printf '%s %s\n' "$EPOCHREALTIME" "$line"
done >"$work/events") &
started+=($!)

# The clock of the program under test runs FAKETIME seconds ahead of the
# wall clock: whole seconds, so its minutes turn on wall-clock seconds.
ft_file=$work/faketime
ft_env=(LD_PRELOAD="$libfaketime" FAKETIME_TIMESTAMP_FILE="$ft_file" FAKETIME_DONT_FAKE_MONOTONIC=1
        FAKETIME_CACHE_DURATION=1)
now_s() { printf '%s' "${EPOCHREALTIME%.*}"; }
# shift_for T FLOOR: the smallest offset >= FLOOR that puts a minute's turn at wall second T
shift_for() { local o=$(( (60 - $1 % 60) % 60 )); while ((o < $2)); do o=$((o + 60)); done; echo "$o"; }
alarm_text() { date -d "@$1" +%-H:%M; }
# first_stream SINCE: ms from SINCE (wall seconds) to the first new sink input at or after SINCE - 1 s
first_stream() {
  awk -v t="$1" '$0 ~ /Event .new. on sink-input/ && $1 >= t - 1 { printf "%.0f\n", ($1 - t) * 1000; exit }' "$work/events"
}
click_at() { # window x y, in design pixels of the client area below the menu bar
  local h menu
  h=$(xwininfo -id "$1" | awk '/Height:/ { print $2 }')
  menu=$((h - 335))
  xdotool mousemove --window "$1" "$2" $(($3 + menu)) click 1
  sleep 0.2
}

echo "== alarm latency: $alarm_runs runs, two alarms each, and armed RSS" >&2
: >"$work/lat1"; : >"$work/lat2"; : >"$work/armed.rss"
# One run first, not counted: it builds GStreamer's plugin registry in the
# shared cache and fills the disk cache.
export XDG_CACHE_HOME=$work/cache
for ((i = 0; i <= alarm_runs; i++)); do
  fresh_env
  home=${env_args[1]#HOME=}
  t1=$(( $(now_s) + 4 ))
  off=$(shift_for "$t1" 0)
  echo "+$off" >"$ft_file"
  mkdir -p "$home/.config/belltide"
  printf '[Corvanta\\lastsettings]\ntimealarm="%s"\nAlarmMusic="%s"\n' "$(alarm_text $((t1 + off)))" "$music" \
    >"$home/.config/belltide/settings.ini"
  "${env_args[@]}" "${ft_env[@]}" "$belltide" >"$work/alarm.log" 2>&1 &
  pid=$!
  started+=($pid)
  while (( $(now_s) < t1 - 1 )); do sleep 0.05; done
  rss=$(awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
  while (( $(now_s) < t1 + 2 )); do sleep 0.05; done
  l1=$(first_stream "$t1")

  # The second alarm: Stop, the next minute typed, Set Alarm; the clock
  # moved on to a few seconds before that minute.
  win=$(xdotool search --onlyvisible --name '^Belltide$' | head -n1)
  t2=$(( $(now_s) + 6 ))
  off=$(shift_for "$t2" "$off")
  echo "+$off" >"$ft_file"
  sleep 1.5
  click_at "$win" 170 306   # Stop
  click_at "$win" 60 144    # the alarm time box
  xdotool key ctrl+a BackSpace
  xdotool type --delay 20 "$(alarm_text $((t2 + off)))"
  click_at "$win" 60 306    # Set Alarm
  while (( $(now_s) < t2 + 2 )); do sleep 0.05; done
  l2=$(first_stream "$t2")
  kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null || true
  echo "   run $i: first alarm ${l1:-none} ms, second ${l2:-none} ms, armed RSS $rss kB" >&2
  ((i == 0)) && continue
  echo "${l1:-99999}" >>"$work/lat1"; echo "${l2:-99999}" >>"$work/lat2"; echo "$rss" >>"$work/armed.rss"
done
unset XDG_CACHE_HOME

# nearest-rank percentile
pct() { sort -g | awk -v p="$1" '{ v[NR] = $1 } END { r = int(p / 100 * NR + 0.999999); if (r < 1) r = 1; print (NR ? v[r] : "nan") }'; }
lat1_p50=$(pct 50 <"$work/lat1"); lat1_p95=$(pct 95 <"$work/lat1"); lat1_max=$(pct 100 <"$work/lat1")
lat2_p50=$(pct 50 <"$work/lat2"); lat2_p95=$(pct 95 <"$work/lat2"); lat2_max=$(pct 100 <"$work/lat2")
armed_rss=$(median <"$work/armed.rss")

echo "== event-loop waits around four alarms (bench_alarmstall)" >&2
stall=$(env QT_QPA_PLATFORM=offscreen "$alarmstall" "$build/belltide/libbelltide-media.so" "$music" 2>"$work/alarmstall.err" | tail -n1) \
  || { cat "$work/alarmstall.err" >&2; die "bench_alarmstall failed"; }
stall_max=$(sed -E 's/.*max=([0-9]+).*/\1/' <<<"$stall")

# ---- Table ----------------------------------------------------------------------
start_ratio=$(ratio "$b_map" "$y_map")
rss_ratio=$(ratio "$b_rss" "$y_rss")
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
load="$load_before -> $(cut -d' ' -f1-3 /proc/loadavg)"

echo
echo "Belltide vs bare Qt widgets window: Xvfb $DISPLAY + openbox, RelWithDebInfo, $(nproc) cores, load $load"
printf '%-40s %10s %10s %7s  %-12s %s\n' "" Belltide bare ratio target ""
printf '%-40s %10s %10s %7s  %-12s %s\n' "start-up, exec to map (ms, med $runs)" "$b_map" "$y_map" "$start_ratio" "ratio <=1.3" "$(verdict "$start_ratio" 1.3)"
printf '%-40s %10s %10s %7s\n' "  CPU used by then (ms, med $runs)" "$b_mapcpu" "$y_mapcpu" "$(ratio "$b_mapcpu" "$y_mapcpu")"
printf '%-40s %10s %10s %7s\n' "start-up, exec to first paint (ms, med $runs)" "$b_paint" "$y_paint" "$(ratio "$b_paint" "$y_paint")"
printf '%-40s %10s %10s %7s\n' "  CPU used by then (ms, med $runs)" "$b_paintcpu" "$y_paintcpu" "$(ratio "$b_paintcpu" "$y_paintcpu")"
printf '%-40s %10s %10s %7s  %-12s %s\n' "RSS after ${settle_s} s idle (MB, med $runs)" "$(mb "$b_rss")" "$(mb "$y_rss")" "$rss_ratio" "ratio <=1.1" "$(verdict "$rss_ratio" 1.1)"
printf '%-40s %10s %10s %7s  %-12s %s\n' "RSS armed, waiting (MB, med $alarm_runs)" "$(mb "$armed_rss")" "$(mb "$y_rss")" "$(ratio "$armed_rss" "$y_rss")" "ratio <=2" "$(verdict "$(ratio "$armed_rss" "$y_rss")" 2)"
printf '%-40s %10s\n' "alarm latency, first alarm (ms)" "p50 $lat1_p50  p95 $lat1_p95  max $lat1_max   ($alarm_runs runs)"
printf '%-40s %10s %-12s %s\n' "  target" "" "p95 <=250" "$(verdict "$lat1_p95" 250)"
printf '%-40s %10s\n' "alarm latency, second alarm (ms)" "p50 $lat2_p50  p95 $lat2_p95  max $lat2_max"
printf '%-40s %10s %-12s %s\n' "  target" "" "p95 <=250" "$(verdict "$lat2_p95" 250)"
printf '%-40s %10s %-12s %s\n' "longest event-loop wait, alarms (ms)" "$stall_max" "<=30" "$(verdict "$stall_max" 30)"
printf '%-40s %10s\n' "  per alarm" "$stall"
printf '%-40s %10s %10s %7s\n' "CPU per minute idle (ms, utime+stime)" "$b_cpu" "$y_cpu" "$(ratio "$b_cpu" "$y_cpu")"
printf '%-40s %10s %10s %7s\n' "CPU per minute idle (ms, schedstat)" "$b_sched" "$y_sched" "$(ratio "$b_sched" "$y_sched")"
printf '%-40s %10s\n' "seconds display lag, text (ms)" "p50 $lag_p50  p99 $lag_p99  max $lag_max   ($lag_n seconds)"
printf '%-40s %10s\n' "seconds display lag, painted (ms)" "p50 $paint_p50  p99 $paint_p99  max $paint_max"
printf '%-40s %10s %-12s %s\n' "  target" "" "p99 <=20" "$(verdict "$lag_p99" 20)"
printf '%-40s %10s %-12s %s\n' "seconds skipped / repeated / wrong" "$skipped / $repeated / $wrong" "none" \
  "$( ((skipped == 0 && repeated == 0 && wrong == 0)) && echo ok || echo MISSED)"
echo "start-up samples, map (ms): Belltide $(cut -d' ' -f1 "$work/belltide.start" | tr '\n' ' ')| bare $(cut -d' ' -f1 "$work/bare.start" | tr '\n' ' ')"
echo "start-up samples, first paint (ms): Belltide $(cut -d' ' -f4 "$work/belltide.start" | tr '\n' ' ')| bare $(cut -d' ' -f4 "$work/bare.start" | tr '\n' ' ')"
