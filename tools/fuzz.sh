#!/usr/bin/env bash
# Builds the libFuzzer targets (tests/fuzz/*_fuzz.cpp, clang with AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each on its corpus.
#   tools/fuzz.sh [seconds per target, default 10] [target ...]
#       the short runs of ./run test: one target after the other, the kept corpus
#       (tests/fuzz/corpus/<target>) as seeds, new inputs in build/fuzz/corpus/<target>
#   tools/fuzz.sh --campaign [seconds per target, default 1200] [target ...]
#       ./run fuzz: long runs, FUZZ_PARALLEL (default 2) targets at a time at low priority,
#       then the inputs that add coverage are merged into tests/fuzz/corpus/<target>
# Crashes go to build/fuzz/crashes/<target>; each run's log to build/fuzz/<target>.log.
set -euo pipefail
top="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$top"

campaign=0
if [ "${1:-}" = "--campaign" ]; then
  campaign=1
  shift
fi
if [ $campaign = 1 ]; then seconds="${1:-1200}"; else seconds="${1:-10}"; fi
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

# The list and restore targets write files (with fsync) on every run: a memory file system
# keeps them fast.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

# Longest input per target: messages and archives need room, the lists and INI files less.
max_len() {
  case "$1" in
    classify_fuzz|restore_fuzz|word_list_fuzz) echo 262144 ;;
    *) echo 65536 ;;
  esac
}

# Longest single input in seconds: word-list matching tries catastrophic patterns on padded
# subjects, which takes seconds under the sanitizers on a busy machine.
time_limit() {
  case "$1" in
    word_list_fuzz) echo 120 ;;
    *) echo 30 ;;
  esac
}

# One run of a target; prints its summary line. Exit status: the fuzzer's.
run_target() {
  local target="$1" corpus="$build/corpus/$1" crashes="$build/crashes/$1" log="$build/$1.log"
  mkdir -p "$corpus" "$crashes"
  local seeds=()
  if [ -d "tests/fuzz/corpus/$target" ]; then seeds=("tests/fuzz/corpus/$target"); fi
  local priority=()
  if [ $campaign = 1 ]; then priority=(nice -n 10); fi
  if "${priority[@]}" "$build/bin/$target" -max_total_time="$seconds" -timeout="$(time_limit "$target")" -rss_limit_mb=4096 \
       -max_len="$(max_len "$target")" -print_final_stats=1 -artifact_prefix="$crashes/" \
       "$corpus" "${seeds[@]}" >"$log" 2>&1; then
    local runs cov
    runs="$(grep -Eo 'stat::number_of_executed_units: [0-9]+' "$log" | grep -Eo '[0-9]+' || echo '?')"
    cov="$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)"
    echo "fuzz: $target: $runs runs, ${cov:-cov: ?}, no failure"
  else
    echo "fuzz: $target FAILED (see $log and $crashes)"
    tail -n 30 "$log"
    return 1
  fi
}

failed=0
if [ $campaign = 0 ]; then
  for target in "${targets[@]}"; do
    run_target "$target" || failed=1
  done
  exit $failed
fi

parallel="${FUZZ_PARALLEL:-2}"
pids=()
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$parallel" ]; do sleep 5; done
  run_target "$target" > "$build/$target.summary" 2>&1 &
  pids+=("$!")
done
for i in "${!pids[@]}"; do
  wait "${pids[$i]}" || failed=1
  cat "$build/${targets[$i]}.summary"
done
# Keep what the campaign found: the inputs of the working corpus that add coverage.
for target in "${targets[@]}"; do
  mkdir -p "tests/fuzz/corpus/$target"
  before=$(ls "tests/fuzz/corpus/$target" | wc -l)
  nice -n 10 "$build/bin/$target" -merge=1 -max_len="$(max_len "$target")" -timeout=30 \
    "tests/fuzz/corpus/$target" "$build/corpus/$target" > "$build/$target.merge.log" 2>&1 || failed=1
  echo "fuzz: $target: corpus $before -> $(ls "tests/fuzz/corpus/$target" | wc -l) inputs"
done
exit $failed
