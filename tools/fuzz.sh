#!/usr/bin/env bash
# Builds the fuzzers (clang, libFuzzer, address and undefined-behaviour sanitizers) in
# build/fuzz and runs each for SECONDS, two at a time, then the model test of the core, built
# with the same sanitizers, for about as long. Fails on any crash, leak or sanitizer report.
# New inputs go to build/fuzz/corpus/NAME; the seeds in tests/fuzz/corpus/NAME are only read.
#
#   tools/fuzz.sh SECONDS
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:?usage: tools/fuzz.sh SECONDS}
[[ $seconds =~ ^[0-9]+$ ]] || { echo "SECONDS must be a whole number" >&2; exit 2; }

cmake -S tests/fuzz -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/fuzz -j2 >/dev/null
tools/host-asan.sh build

# A small quarantine: page faults for fresh memory are dear on this kind of machine.
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1:quarantine_size_mb=16:malloc_context_size=8
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# name and the longest input: the log readers get long lines, the others what they need (the
# conversion its digits and a power).
harnesses=(decimal_double:1024 month_log:65536 log_line:8192 number_field:64 settings_load:4096 sim_script:8192)

run() {
  local name=${1%%:*} max_len=${1##*:}
  local work=build/fuzz/corpus/$name log=build/fuzz/$name.log
  mkdir -p "$work"
  if build/fuzz/${name}_fuzz -max_total_time="$seconds" -max_len="$max_len" -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix=build/fuzz/"$name"- "$work" tests/fuzz/corpus/"$name" >"$log" 2>&1; then
    local runs speed
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    printf '%-14s clean: %s runs, %s per second\n' "$name" "$runs" "$speed"
  else
    printf '%-14s FAILED, see %s:\n' "$name" "$log" >&2
    grep -E 'ERROR|SUMMARY|property failed|runtime error|Test unit written' "$log" | head -n 20 >&2
    return 1
  fi
}

status=0
pids=()
for h in "${harnesses[@]}"; do
  run "$h" &
  pids+=($!)
  if ((${#pids[@]} == 2)); then
    wait "${pids[0]}" || status=1
    wait "${pids[1]}" || status=1
    pids=()
  fi
done
for p in "${pids[@]}"; do wait "$p" || status=1; done

# The model test: its fixed histories, then more for about SECONDS.
if TOLVANE_MODEL_SECONDS=$seconds build/host-asan/tests/unit/unit_tests --gtest_brief=1 \
    --gtest_filter='ModelTest.*' >build/fuzz/model.log 2>&1; then
  grep '^model: histories' build/fuzz/model.log || true
else
  echo "model test FAILED, see build/fuzz/model.log:" >&2
  grep -aE -A12 'Failure|ERROR|runtime error' build/fuzz/model.log | head -n 30 >&2
  status=1
fi
exit $status
