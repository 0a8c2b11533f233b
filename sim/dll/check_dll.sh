#!/usr/bin/env bash
# Checks the built rasapi32.dll as a program's loader sees it: the nine ANSI entry points
# exported undecorated, and no import but the system's own DLLs (no libstdc++, libgcc or
# winpthread DLL).
# Usage: check_dll.sh OBJDUMP rasapi32.dll
set -euo pipefail
objdump=$1
dll=$2
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

dump=$("$objdump" -p "$dll")
for name in RasDialA RasEnumConnectionsA RasEnumEntriesA RasGetConnectStatusA RasGetEntryDialParamsA \
            RasGetEntryPropertiesA RasGetErrorStringA RasHangUpA RasSetEntryDialParamsA; do
  grep -qE "^\s+\[ *[0-9]+\] $name\$" <<<"$dump" || fail "export $name missing or decorated"
done
grep -qE '\] _?Ras[A-Za-z]+@[0-9]+' <<<"$dump" && fail "decorated exports: $(grep -oE '_?Ras[A-Za-z]+@[0-9]+' <<<"$dump" | tr '\n' ' ')"
while read -r imported; do
  case ${imported,,} in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll | ntdll.dll) ;;
    *) fail "imports $imported" ;;
  esac
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$dump")

echo "$((failures == 0 ? 1 : 0)) passed, $failures failed"
((failures == 0))
