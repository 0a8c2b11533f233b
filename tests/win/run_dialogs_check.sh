#!/usr/bin/env bash
# Runs dialogs_check under Wine against the simulator DLL, in a prefix of its own on an X
# display of its own (tools/wine-env.sh), copies its screenshots into docs/, and stops the
# prefix's wineserver and the X server (by their ids) when done.
#   tests/win/run_dialogs_check.sh [windows build folder] [display number] [-- dialogs_check arguments]
# Without arguments after --, the program talks to the simulator DLL (--system-ras); with
# -- --in-process it runs the simulator inside the program instead.
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$(cd "${1:-build/win}" && pwd)
display=${2:-93}
shift $(( $# < 2 ? $# : 2 ))
[[ ${1:-} == -- ]] && shift
[[ $# -gt 0 ]] || set -- --system-ras
dir=$build/wine-dialogs
out=$build/e2e-out/dialogs-run

arch=win32
grep -q 'mingw-x86_64' "$build/CMakeCache.txt" && arch=win64
env -u DISPLAY TOLVANE_XVFB_DISPLAY="$display" tools/wine-env.sh prepare "$dir" --arch "$arch" --display --desktop 1024x768
trap 'tools/wine-env.sh stop "$dir"' EXIT

status=0
tools/wine-env.sh e2e "$dir" "$out" "$build/tests/win/dialogs_check.exe" "$@" || status=$?
for shot in settings-dialog dial-dialog dial-progress; do
    if [[ -f $out/$shot.png ]]; then
        # Only a changed picture replaces the one in docs/ (each conversion stamps its own date).
        same=$(compare -metric AE "$out/$shot.png" "$root/docs/$shot.png" null: 2>&1 || true)
        [[ $same == 0 ]] || cp "$out/$shot.png" "$root/docs/$shot.png"
    else
        echo "no screenshot $shot" >&2
        status=1
    fi
done
exit "$status"
