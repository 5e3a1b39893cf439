#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/*_fuzz.cpp, clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for a while on its seed corpus.
#   tools/fuzz.sh [seconds per target, default 10] [target ...]
# New inputs go to build/fuzz/corpus/<target>; crashes to build/fuzz/crashes/<target>.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

seconds="${1:-10}"
shift || true
build="build/fuzz"

if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DMIRVANE_FUZZ=ON -DMIRVANE_TESTS=OFF -DMIRVANE_BENCH=OFF >/dev/null
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in tests/fuzz/*_fuzz.cpp; do
    targets+=("$(basename "$source" .cpp)")
  done
fi
cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]}" >/dev/null

# The list targets save files (with fsync) on every run: a memory file system keeps them fast.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

failed=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  crashes="$build/crashes/$target"
  mkdir -p "$corpus" "$crashes"
  seeds=()
  if [ -d "tests/fuzz/corpus/$target" ]; then seeds=("tests/fuzz/corpus/$target"); fi
  log="$build/$target.log"
  # Word-list matching must see long subjects (padding is how spam hides words).
  max_len=65536
  if [ "$target" = word_list_fuzz ]; then max_len=262144; fi
  if "$build/bin/$target" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -max_len="$max_len" -print_final_stats=1 \
       -artifact_prefix="$crashes/" "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    echo "fuzz: $target: $(grep -Eo 'stat::number_of_executed_units: [0-9]+' "$log" | grep -Eo '[0-9]+' || echo '?') runs, no failure"
  else
    echo "fuzz: $target FAILED (see $log and $crashes)"
    tail -n 30 "$log"
    failed=1
  fi
done
exit $failed
