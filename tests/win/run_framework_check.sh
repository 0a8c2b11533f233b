#!/usr/bin/env bash
# Runs framework_check under Wine with a prefix and an X display of its own, and stops both
# (by their ids) when done. Usage: tests/win/run_framework_check.sh [windows build folder] [display]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=$(cd "${1:-build/win}" && pwd)
display=${2:-91}
prefix=$build/wineprefix-check
export WINEPREFIX=$prefix WINEDEBUG=-all LANG=ja_JP.UTF-8 DISPLAY=:$display

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
wine "$build/framework_check.exe"
