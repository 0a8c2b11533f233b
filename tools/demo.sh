#!/usr/bin/env bash
# The main job, shown: builds Tolvane.exe and the simulated remote access service, prepares a
# Wine prefix (Japanese locale and fonts) and runs Tolvane under Wine through one session: a
# connection comes up, is counted, enters the charge-unit warning, counts down and is hung up.
# On $DISPLAY when there is one, otherwise headless under Xvfb; screenshots of every stage go
# to build/demo/shots/. Runs in Japan's time zone unless TZ is set. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
# Wine runs the program through its 32-bit loader: a kernel that runs no 32-bit program (its
# 32-bit emulation switched off) cannot show the demo at all.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  echo "demo: this machine cannot run 32-bit programs (its kernel has 32-bit emulation switched" \
    "off), so Wine cannot run Tolvane.exe here." >&2
  exit 1
fi
# The tool's users live in Japan: the log's times and the fixed-time disconnect are in JST,
# unless TZ says otherwise. Wine and msvcrt understand the POSIX form only.
export TZ=${TZ:-JST-9}
jobs=$(nproc)
((jobs <= 2)) || jobs=2

cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j"$jobs" --target tolvane_demo

dir=$PWD/build/demo
trap 'tools/wine-env.sh stop "$dir" >/dev/null 2>&1 || true' EXIT
options=(--display)
# Headless, a virtual desktop gives the screenshots a taskbar with its notification area.
[[ -n ${DISPLAY:-} ]] || options+=(--desktop 1024x768)
tools/wine-env.sh prepare "$dir" "${options[@]}"
tools/wine-env.sh e2e "$dir" "$dir/shots" "$PWD/build/win/tools/demo/tolvane_demo.exe"
echo "Screenshots: $dir/shots/"
ls "$dir/shots"
