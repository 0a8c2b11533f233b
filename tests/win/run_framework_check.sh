#!/usr/bin/env bash
# Runs framework_check under Wine with a prefix and an X display of its own (tools/wine-env.sh),
# and stops both when done; ctest runs the same checks as e2e_framework. Arguments after the
# display go to the program (--show N shows the monitor window in its looks for N seconds).
#   tests/win/run_framework_check.sh [windows build folder] [display number] [-- arguments]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build/win}" && pwd)
display=${2:-91}
shift $(( $# < 2 ? $# : 2 ))
[[ ${1:-} == -- ]] && shift
arch=win32
grep -q 'mingw-x86_64' "$build/CMakeCache.txt" && arch=win64
dir=$build/wine-check
env -u DISPLAY TOLVANE_XVFB_DISPLAY="$display" tools/wine-env.sh prepare "$dir" --arch "$arch" --display
trap 'tools/wine-env.sh stop "$dir"' EXIT
tools/wine-env.sh run "$dir" wine "$build/framework_check.exe" "$@"
