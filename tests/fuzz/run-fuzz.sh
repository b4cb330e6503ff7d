#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a fixed time.
#   run-fuzz.sh SOURCE_DIR BUILD_DIR SECONDS
set -euo pipefail
src=$1 out=$2 seconds=${3:-20}
mkdir -p "$out"
flags=(-std=c++20 -O1 -g -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$src/src/reminders" -I"$src/src/platform" $(pkg-config --cflags Qt6Core))
libs=($(pkg-config --libs Qt6Core))

clang++ "${flags[@]}" -o "$out/fuzz_reminderfile" \
  "$src/tests/fuzz/fuzz_reminderfile.cpp" "$src/src/reminders/reminderfile.cpp" "$src/src/platform/atomicfile.cpp" "${libs[@]}"
clang++ "${flags[@]}" -o "$out/fuzz_settings" \
  "$src/tests/fuzz/fuzz_settings.cpp" "$src/src/platform/inisettingsstore.cpp" "$src/src/platform/atomicfile.cpp" "${libs[@]}"

status=0
for target in fuzz_reminderfile fuzz_settings; do
  corpus="$out/corpus-$target"
  mkdir -p "$corpus"
  cp -n "$src"/tests/fuzz/seeds/* "$corpus"/ 2>/dev/null || true
  echo "== $target for ${seconds}s"
  if ! "$out/$target" -max_total_time="$seconds" -max_len=4096 -timeout=5 -rss_limit_mb=2048 \
        -artifact_prefix="$out/$target-" -print_final_stats=1 "$corpus" 2>"$out/$target.log"; then
    status=1
    tail -n 40 "$out/$target.log"
  fi
  grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$out/$target.log" | tail -n 2 || true
done
exit $status
