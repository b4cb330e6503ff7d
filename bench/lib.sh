# What the benchmark scripts share; sourced after `cd` to the source tree
# with `root`, `build` and `display_num` set. Gives a scratch folder `work`,
# a list `started` of every process the script starts (ended, newest first,
# on the way out), die, build_bench and start_desktop.

work=$(mktemp -d "/tmp/belltide-$(basename "$0" .sh).XXXXXX")
started=()

cleanup() {
  local i pid
  for ((i = ${#started[@]} - 1; i >= 0; i--)); do
    kill "${started[i]}" 2>/dev/null || true
  done
  for pid in "${started[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

die() { echo "bench/$(basename "$0"): $*" >&2; exit 1; }

# build_bench TARGET...: a RelWithDebInfo build of the targets in $build
build_bench() {
  echo "== building in $build (RelWithDebInfo)" >&2
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBELLTIDE_BUILD_TESTS=OFF -DBELLTIDE_BUILD_BENCH=ON >"$work/configure.log" 2>&1 \
    || { cat "$work/configure.log" >&2; die "configure failed"; }
  cmake --build "$build" -j2 --target "$@" >"$work/build.log" 2>&1 \
    || { tail -40 "$work/build.log" >&2; die "build failed"; }
}

# start_desktop: Xvfb on $display_num with openbox, DISPLAY exported
start_desktop() {
  local tool xvfb_pid
  for tool in Xvfb openbox xprop; do
    command -v $tool >/dev/null || die "$tool is not installed (scripts/install-deps.sh --test)"
  done
  export DISPLAY=:$display_num
  if [[ -e /tmp/.X11-unix/X$display_num || -e /tmp/.X$display_num-lock ]]; then
    die "display $DISPLAY is already in use (/tmp/.X$display_num-lock): stop that server or set BENCH_DISPLAY"
  fi
  # -noreset: the probe below is the first client, and a server that resets
  # when its last client leaves turns away whoever connects meanwhile.
  Xvfb "$DISPLAY" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  started+=($xvfb_pid)
  for _ in $(seq 50); do
    xprop -root >/dev/null 2>&1 && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; die "Xvfb could not start on $DISPLAY"; }
    sleep 0.1
  done
  xprop -root >/dev/null 2>&1 || { cat "$work/xvfb.log" >&2; die "Xvfb on $DISPLAY does not answer"; }

  openbox >"$work/openbox.log" 2>&1 &
  started+=($!)
  for _ in $(seq 50); do
    [[ $(xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null) == *"window id"* ]] && return 0
    sleep 0.1
  done
  cat "$work/openbox.log" >&2
  die "openbox did not start on $DISPLAY"
}
