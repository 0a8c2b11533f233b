#!/usr/bin/env bash
# Checks Tolvane.exe (or TolvaneLog.exe) as the loader sees it: a program of the build's architecture (32-bit,
# or 64-bit for the 64-bit build) for the GUI subsystem that imports only the system's known
# DLLs (no C++ runtime, libgcc or winpthread DLL; comctl32 comes by the manifest). rasapi32.dll
# and winmm.dll are not among the known ones, so Windows would look for them beside the program
# first: the program loads them from the system folder itself and never imports them.
# Usage: check_program.sh OBJDUMP Tolvane.exe [i686|x86_64]
set -euo pipefail
objdump=$1
program=$2
architecture=${3:-i686}
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

dump=$("$objdump" -p "$program")
case $architecture in
  i686) grep -q 'file format pei-i386' <<<"$dump" || fail "not a 32-bit program" ;;
  x86_64) grep -q 'file format pei-x86-64' <<<"$dump" || fail "not a 64-bit program" ;;
  *) fail "unknown architecture $architecture" ;;
esac
grep -qE '^Subsystem\s+0+2\s' <<<"$dump" || fail "not a GUI program: $(grep '^Subsystem' <<<"$dump")"
while read -r imported; do
  case ${imported,,} in
    kernel32.dll | msvcrt.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | comctl32.dll | \
      comdlg32.dll | ole32.dll) ;;
    *) fail "imports $imported" ;;
  esac
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
((failures == 0))
