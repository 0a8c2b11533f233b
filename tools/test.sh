#!/usr/bin/env bash
# Builds every build and runs every suite: the Release programs' size, imports and header; the
# native unit tests; the same tests as 32-bit Linux code; the sanitizer suite; the fuzzers and a
# longer model run; and the whole Windows suite of both builds under Wine (the core's unit tests,
# the adapters, the dialogs, the framework check, Tolvane.exe end to end, the Release program
# through a session). The 64-bit build runs under 64-bit Wine here; the 32-bit build under
# 32-bit Wine, natively where the kernel runs 32-bit programs and otherwise inside an emulated
# machine (tools/vm32.sh). A suite that cannot run fails the command and says why. Ends with a
# line per suite: its result, its counts and its time. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

tools/setup.sh
jobs=$(nproc)
((jobs <= 2)) || jobs=2
started=$SECONDS
results=$root/build/test-results
rm -rf "$results"
mkdir -p "$results"

runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

# Where 32-bit Wine cannot start, the emulated machine's file system is made (or found in the
# cache) while the builds compile.
image_pid=""
if ! runs_32bit; then
  tools/vm32.sh image >"$results/vm32-image.log" 2>&1 &
  image_pid=$!
fi

# Whatever happens, nothing of the Wine runs is left behind.
cleanup() {
  [[ -z $image_pid ]] || kill "$image_pid" 2>/dev/null || true
  if [[ -n ${win32_pid:-} ]]; then  # the background suite and what it runs (vm32.sh stops its machine)
    kill $(ps -o pid= --ppid "$win32_pid" 2>/dev/null) "$win32_pid" 2>/dev/null || true
  fi
  for build in win win64; do
    tools/wine-env.sh stop "build/$build/wine" >/dev/null 2>&1 || true
  done
}
trap cleanup EXIT

configure() {  # FOLDER [CMAKE OPTIONS...]
  local folder=$1
  shift
  cmake -S . -B "build/$folder" "$@" >/dev/null
}

configure host -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/host -j"$jobs"

# The core and its tests once more as 32-bit code with the shipped program's arithmetic
# (SSE2 doubles, 32-bit size_t), where the 64-bit host build cannot see the difference.
configure host32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build/host32 -j"$jobs"

# Each Windows build: the Release program alone, in a build of its own (what ships, built for
# size), then the build its tests run in, which also runs that Release program end to end.
for build in "win i686" "win64 x86_64"; do
  set -- $build
  configure "$1-release" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$2.cmake" -DCMAKE_BUILD_TYPE=Release
  cmake --build "build/$1-release" -j"$jobs" --target Tolvane TolvaneLog
  configure "$1" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$2.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTOLVANE_RELEASE_PROGRAM="$root/build/$1-release/Tolvane.exe"
  cmake --build "build/$1" -j"$jobs"
done

status=0
summary=()
# suite NAME COUNTS-OPTIONS -- COMMAND...: runs the command, then counts what it left.
suite() {
  local name=$1 counts=() mark=$SECONDS result=passed
  shift
  while [[ $1 != -- ]]; do counts+=("$1"); shift; done
  shift
  echo "=== $name"
  "$@" || result=FAILED
  record "$name" "$result" $((SECONDS - mark)) "${counts[@]}"
}
record() {  # NAME RESULT SECONDS COUNTS-OPTIONS...
  local name=$1 result=$2 seconds=$3 text
  shift 3
  text=$(python3 tools/suite_counts.py "$@") || result=FAILED
  [[ $result == passed ]] || status=1
  summary+=("$(printf '%-44s %-6s %5d s  %s' "$name" "$result" "$seconds" "$text")")
}

ctest_run() {  # BUILD RESULT-NAME [CTEST OPTIONS...]
  local build=$1 name=$2
  shift 2
  rm -rf "build/$build/test-results"
  ctest --test-dir "build/$build" --output-on-failure --output-junit "$results/$name.xml" "$@"
}

# The 32-bit build under 32-bit Wine: here, or in the emulated machine with the repository
# shared at the same path and the Wine prefix on the machine's own memory. Its tests mostly
# wait on the clock, so the suite runs beside the others, its output kept for the end.
run_win32() {
  if runs_32bit; then
    ctest_run win win32
    return
  fi
  if [[ -n $image_failed ]]; then
    echo "FAILED: the emulated machine for 32-bit Wine could not be made; its log:"
    tail -n 30 "$results/vm32-image.log"
    return 1
  fi
  rm -rf build/win/test-results
  # Wine there runs several times slower: the tests wait that much longer for the program.
  tools/vm32.sh run --tmpfs "$root/build/win/wine" --env TOLVANE_E2E_TIME_SCALE=5 -- \
    ctest --test-dir build/win --output-on-failure --output-junit "$results/win32.xml"
}
image_failed=""
if [[ -n $image_pid ]]; then
  wait "$image_pid" || image_failed=1
  image_pid=""
fi
win32_name="Windows 32-bit build under 32-bit Wine"
win32_mark=$SECONDS
run_win32 >"$results/win32.log" 2>&1 &
win32_pid=$!
echo "=== $win32_name: started beside the other suites, its output at the end ($results/win32.log)"

release_checks() {
  local ok=0
  ctest_run win-release release32 -L release || ok=1
  ctest_run win64-release release64 -L release || ok=1
  return $ok
}
suite "Release programs (32- and 64-bit)" --ctest "$results/release32.xml" --ctest "$results/release64.xml" -- \
  release_checks
suite "Native unit tests" --ctest "$results/host.xml" -- ctest_run host host -j"$jobs"
suite "Unit tests as 32-bit Linux code" --ctest "$results/host32.xml" -- ctest_run host32 host32 -j"$jobs"
suite "Unit tests with sanitizers" --gtest "$results/asan.xml" -- \
  env GTEST_OUTPUT="xml:$results/asan.xml" tools/host-asan.sh test
suite "Fuzzers (20 s each) and the model run" --fuzz-log "$results/fuzz.log" -- \
  bash -c 'set -o pipefail; tools/fuzz.sh 20 2>&1 | tee "$1"' - "$results/fuzz.log"
# The 64-bit build under 64-bit Wine, natively.
suite "Windows 64-bit build under 64-bit Wine" --ctest "$results/win64.xml" --gtest build/win64/test-results -- \
  ctest_run win64 win64

echo "=== $win32_name"
win32_result=passed
wait "$win32_pid" || win32_result=FAILED
win32_pid=""
cat "$results/win32.log"
record "$win32_name" "$win32_result" $((SECONDS - win32_mark)) --ctest "$results/win32.xml" --gtest build/win/test-results

echo
echo "Suite                                        Result   Time  Counts"
printf '%s\n' "${summary[@]}"
if ((status == 0)); then
  echo "All suites passed in $((SECONDS - started)) s."
else
  echo "Some suites FAILED ($((SECONDS - started)) s)." >&2
fi
exit $status
