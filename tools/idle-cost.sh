#!/usr/bin/env bash
# What Tolvane costs while it sits there: runs the Release Tolvane.exe under Wine against the
# simulated service (its journal off) for 60 s, once without connections and once with four
# counted ones, and reports the CPU time its process used as a share of one core (over the
# whole run, and from 10 s on, once start-up is over), the part of it the simulator DLL spent
# in the same process (it reports its own time, TOLVANE_SIM_COST) and what is left for the
# program, the CPU time of the prefix's wineserver over the same stretch, and the time from the
# start to the window's first showing.
#
#   tools/idle-cost.sh [SECONDS] [win32|win64]     (default 60, and the build Wine runs here)
#
# The 32-bit build where the kernel runs 32-bit programs, otherwise the 64-bit one. Everything
# it starts it stops again by pid; the prefix lives in build/idle-cost/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
settle=10  # start-up is over by then: the steady share is measured from here on
((seconds > settle)) || { echo "idle-cost: run for more than $settle s" >&2; exit 2; }
if [[ -n ${2:-} ]]; then
  arch=$2
elif /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  arch=win32
else
  arch=win64
fi
case $arch in
  win32) build=win processor=i686 ;;
  win64) build=win64 processor=x86_64 ;;
  *) echo "idle-cost: win32 or win64, not $arch" >&2; exit 2 ;;
esac

tools/setup.sh
cmake -S . -B "build/$build-release" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$processor.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "build/$build-release" -j2 --target Tolvane
cmake -S . -B "build/$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$processor.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "build/$build" -j2 --target sim_rasapi32

dir=$PWD/build/idle-cost
started_pids=()
cleanup() {
  local pid
  for pid in "${started_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  tools/wine-env.sh stop "$dir" >/dev/null 2>&1 || true
}
trap cleanup EXIT
tools/wine-env.sh prepare "$dir" --arch "$arch" --display --system-dll "build/$build/rasapi32.dll"
eval "$(tools/wine-env.sh shell "$dir")"

# CPU times are taken in nanoseconds, from the scheduler's count of each thread (the first
# field of /proc/PID/task/TID/schedstat): the clock ticks of /proc/PID/stat (10 ms) are too
# coarse for a program that runs a few milliseconds a second.
ticks_per_second=1000000000

now() { date +%s.%N; }

# CPU time of a process so far: the sum over its threads. A thread that ended meanwhile takes
# its time with it, which only lowers the figure; the program's threads live as long as it.
cpu_ticks() {
  local sum=0 task ns rest
  for task in /proc/"$1"/task/*/schedstat; do
    read -r ns rest <"$task" 2>/dev/null || continue
    sum=$((sum + ns))
  done
  echo "$sum"
}

# The process running Tolvane.exe: the deepest of the one started and its descendants whose
# command line names it (a launcher script that runs wine as a child names it too).
program_pid() {
  local pid=$1 child
  for child in $(cat /proc/"$pid"/task/*/children 2>/dev/null); do
    program_pid "$child" && return 0
  done
  if tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qi 'tolvane\.exe'; then
    echo "$pid"
    return 0
  fi
  return 1
}

# The wineserver of our prefix (other prefixes may have theirs).
wineserver_pid() {
  local p
  for p in /proc/[0-9]*; do
    [[ $(cat "$p/comm" 2>/dev/null) == wineserver* ]] || continue
    tr '\0' '\n' <"$p/environ" 2>/dev/null | grep -qx "WINEPREFIX=$WINEPREFIX" && { echo "${p#/proc/}"; return 0; }
  done
  return 1
}

# Whether the program has a window showing: a viewable top-level X window of its class.
window_shown() {
  local id
  for id in $(xwininfo -root -children 2>/dev/null | grep -i '("tolvane.exe"' | awk '{print $1}'); do
    xwininfo -id "$id" 2>/dev/null | grep -q 'Map State: IsViewable' && return 0
  done
  return 1
}

share() { awk -v t="$1" -v hz="$ticks_per_second" -v s="$2" 'BEGIN { printf "%.3f %%", 100 * t / hz / s }'; }

# Seconds from now until START + OFFSET, never negative.
until_offset() { awk -v a="$1" -v b="$(now)" -v s="$2" 'BEGIN { d = a + s - b; print (d > 0 ? d : 0) }'; }

# The simulator's own seconds so far, from its report.
sim_seconds() { awk '$1 == "seconds" { print $2; found = 1 } END { if (!found) print 0 }' "$1" 2>/dev/null || echo 0; }

measure() {
  local connections=$1 run=$dir/run-$1
  rm -rf "$run"
  mkdir -p "$run"
  cp "build/$build-release/Tolvane.exe" "$run/"
  {
    echo "version 1"
    for ((i = 1; i <= connections; i++)); do
      echo "entry \"Provider $i\" area=03 number=1234567$i"
      echo "connect \"Provider $i\""
    done
  } >"$run/script.txt"

  local start shown="" pid program server
  start=$(now)
  (cd "$run" && TOLVANE_SIM_SCRIPT=$run/script.txt TOLVANE_SIM_COST=$run/sim-cost.txt exec wine Tolvane.exe) \
    >"$run/wine.log" 2>&1 &
  pid=$!
  started_pids+=("$pid")
  while [[ -z $shown ]] && kill -0 "$pid" 2>/dev/null; do
    if window_shown; then shown=$(now); else sleep 0.02; fi
    awk -v a="$start" -v b="$(now)" 'BEGIN { exit !(b - a > 30) }' && break
  done
  program=$(program_pid "$pid") || { echo "idle-cost: Tolvane.exe did not start (see $run/wine.log)" >&2; exit 1; }
  server=$(wineserver_pid || echo "")

  sleep "$(until_offset "$start" "$settle")"
  local cpu_settled server_settled at_settled sim_settled
  at_settled=$(now)
  cpu_settled=$(cpu_ticks "$program")
  sim_settled=$(sim_seconds "$run/sim-cost.txt")
  server_settled=$( [[ -n $server ]] && cpu_ticks "$server" || echo 0)
  sleep "$(until_offset "$start" "$seconds")"
  local cpu_end server_end at_end sim_end
  at_end=$(now)
  cpu_end=$(cpu_ticks "$program")
  sim_end=$(sim_seconds "$run/sim-cost.txt")
  server_end=$( [[ -n $server ]] && cpu_ticks "$server" || echo 0)
  kill "$program" "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  local whole steady
  whole=$(awk -v a="$start" -v b="$at_end" 'BEGIN { print b - a }')
  steady=$(awk -v a="$at_settled" -v b="$at_end" 'BEGIN { print b - a }')
  echo "$connections connections:"
  echo "  window first shown:      $( [[ -n $shown ]] && awk -v a="$start" -v b="$shown" 'BEGIN { printf "%.2f s after start", b - a }' || echo "not within 30 s")"
  echo "  Tolvane.exe CPU, whole:  $(share "$cpu_end" "$whole") of a core ($((cpu_end / 1000000)) ms in $(printf '%.1f' "$whole") s)"
  echo "  Tolvane.exe CPU, steady: $(share $((cpu_end - cpu_settled)) "$steady") of a core (from $settle s on)"
  local sim_ticks
  sim_ticks=$(awk -v a="$sim_settled" -v b="$sim_end" -v hz="$ticks_per_second" 'BEGIN { printf "%.3f", (b - a) * hz }')
  echo "    of which the simulator: $(share "$sim_ticks" "$steady") (its own report, wall time in its calls)"
  echo "    the program's own:      $(share "$(awk -v a=$((cpu_end - cpu_settled)) -v b="$sim_ticks" 'BEGIN { d = a - b; print (d > 0 ? d : 0) }')" "$steady")"
  [[ -n $server ]] &&
    echo "  wineserver CPU, steady:  $(share $((server_end - server_settled)) "$steady") of a core"
  return 0
}

echo "Machine: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), $(nproc) cores; $(wine --version), $arch build"
measure 0
measure 4
