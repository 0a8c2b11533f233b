#!/usr/bin/env bash
# The main job, shown: builds Tolvane.exe and the simulated remote access service, prepares a
# Wine prefix (Japanese locale and fonts) and runs Tolvane under Wine through one session: a
# connection comes up, is counted, enters the charge-unit warning, counts down and is hung up.
# On $DISPLAY when there is one, otherwise headless under Xvfb; screenshots of every stage go
# to build/demo/shots/. Runs in Japan's time zone unless TZ is set. The 32-bit build runs
# under 32-bit Wine where the kernel runs 32-bit programs; elsewhere the 64-bit build of the same
# sources runs under 64-bit Wine. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  build=win processor=i686 arch=win32
else
  build=win64 processor=x86_64 arch=win64
fi
# The tool's users live in Japan: the log's times and the fixed-time disconnect are in JST,
# unless TZ says otherwise. Wine and msvcrt understand the POSIX form only.
export TZ=${TZ:-JST-9}
jobs=$(nproc)
((jobs <= 2)) || jobs=2

cmake -S . -B "build/$build" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$processor.cmake" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "build/$build" -j"$jobs" --target tolvane_demo

dir=$PWD/build/demo
trap 'tools/wine-env.sh stop "$dir" >/dev/null 2>&1 || true' EXIT
# The simulated service is installed as the prefix's own rasapi32.dll: Tolvane loads that
# library from the system folder only.
options=(--arch "$arch" --display --system-dll "build/$build/rasapi32.dll")
# Headless, a virtual desktop gives the screenshots a taskbar with its notification area.
[[ -n ${DISPLAY:-} ]] || options+=(--desktop 1024x768)
tools/wine-env.sh prepare "$dir" "${options[@]}"
tools/wine-env.sh e2e "$dir" "$dir/shots" "$PWD/build/$build/tools/demo/tolvane_demo.exe"
echo "Screenshots ($arch build): $dir/shots/"
ls "$dir/shots"
