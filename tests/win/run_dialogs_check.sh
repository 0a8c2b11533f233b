#!/usr/bin/env bash
# Runs dialogs_check under Wine with a prefix and an X display of its own, turns its
# screenshots into the PNG files in docs/, and stops the X server and the prefix's wineserver
# (by their ids) when done.
#   tests/win/run_dialogs_check.sh [windows build folder] [display] [-- extra arguments]
# With the simulator's drop-in rasapi32.dll beside the program, pass --system-ras after --
# (TOLVANE_SIM_SCRIPT and TOLVANE_SIM_JOURNAL are then set to fresh files of the run).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD
build=$(cd "${1:-build/win}" && pwd)
display=${2:-93}
shift $(( $# < 2 ? $# : 2 ))
[[ ${1:-} == -- ]] && shift
prefix=$build/wineprefix-dialogs
run=$build/dialogs-run
export WINEPREFIX=$prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 DISPLAY=:$display
export WINEDLLOVERRIDES=rasapi32=n,b

Xvfb ":$display" -screen 0 1024x768x24 >/dev/null 2>&1 &
xvfb=$!
trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
sleep 1

if [[ ! -d $prefix ]]; then
    wineboot -i >/dev/null 2>&1
    # Dialog metrics close to the real font's; Wine draws its own window frames.
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'ＭＳ Ｐゴシック' /t REG_SZ /d IPAPGothic /f >/dev/null
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null
fi

rm -rf "$run"
mkdir -p "$run/shots"
: >"$run/script.txt"
: >"$run/journal.txt"
export TOLVANE_SIM_SCRIPT=$(winepath -w "$run/script.txt") TOLVANE_SIM_JOURNAL=$(winepath -w "$run/journal.txt")

status=0
wine "$build/dialogs_check.exe" --shots "$(winepath -w "$run/shots")" "$@" || status=$?

for shot in settings-dialog dial-dialog dial-progress; do
    if [[ -f $run/shots/$shot.bmp ]]; then
        convert "$run/shots/$shot.bmp" "$root/docs/$shot.png"
    else
        echo "no screenshot $shot" >&2
    fi
done
exit "$status"
