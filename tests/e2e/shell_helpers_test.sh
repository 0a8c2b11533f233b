#!/usr/bin/env bash
# The shell side of the end-to-end tools: a registry value read with wine reg query comes back
# in UTF-8, a missing one fails, and the display can be saved as a picture.
# Usage: shell_helpers_test.sh WINE_DIR OUT_DIR (a prepared wine-env.sh folder).
set -euo pipefail
env_tool="$(dirname "$0")/../../tools/wine-env.sh"
dir=$1
out=$2
key='HKCU\Software\Tolvane\ShellHelpersTest'
failures=0
check() {
  if [[ $2 == "$3" ]]; then echo "ok: $1"; else echo "FAILED: $1: got '$2', want '$3'"; failures=$((failures + 1)); fi
}

"$env_tool" run "$dir" wine reg add "$key" /v Folder /d 'C:\表\ログ フォルダ' /f >/dev/null 2>&1
"$env_tool" run "$dir" wine reg add "$key" /v Number /t REG_DWORD /d 42 /f >/dev/null 2>&1
check "string value" "$("$env_tool" reg-query "$dir" "$key" Folder)" 'C:\表\ログ フォルダ'
check "number value" "$("$env_tool" reg-query "$dir" "$key" Number)" 0x2a
if "$env_tool" reg-query "$dir" "$key" Missing >/dev/null; then missing=found; else missing=absent; fi
check "missing value" "$missing" absent
"$env_tool" run "$dir" wine reg delete "$key" /f >/dev/null 2>&1

mkdir -p "$out"
"$env_tool" screenshot "$dir" "$out/display.png"
check "screenshot" "$(identify -format '%m' "$out/display.png" 2>/dev/null)" PNG

echo "$((4 - failures)) passed, $failures failed"
((failures == 0))
