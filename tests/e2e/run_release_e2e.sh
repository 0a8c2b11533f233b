#!/usr/bin/env bash
# Runs end-to-end tests against the Release Tolvane.exe, the one that ships: the program, its
# help file and the usage viewer (Tolvane.HLP and TolvaneLog.exe beside it in the Release build)
# are copied with the test program into a folder of their own, where the tests start them. The
# simulated service is the prefix's own rasapi32.dll, in its system folder.
# Usage: run_release_e2e.sh WINE_DIR OUT_DIR RELEASE_EXE TEST_EXE GTEST_FILTER
set -euo pipefail
[[ $# -eq 5 ]] || { sed -n '2,6p' "$0" >&2; exit 2; }
wine_dir=$1 out=$2 release=$3 test_exe=$4 filter=$5
help=$(dirname "$release")/Tolvane.HLP
viewer=$(dirname "$release")/TolvaneLog.exe
for file in "$release" "$help" "$viewer"; do
  if [[ ! -f $file ]]; then
    echo "FAILED: no $file (tools/test.sh builds the Release program and its help file first)" >&2
    exit 1
  fi
done
run=$out-program
rm -rf "$run"
mkdir -p "$run"
cp "$release" "$run/Tolvane.exe"
cp "$help" "$run/Tolvane.HLP"
cp "$viewer" "$run/TolvaneLog.exe"
cp "$test_exe" "$run/"
# The libraries that must never be loaded from the program's folder.
cp -r "$(dirname "$test_exe")/decoys" "$run/"
exec "$(dirname "$0")/../../tools/wine-env.sh" e2e "$wine_dir" "$out" "$run/$(basename "$test_exe")" \
  "--gtest_filter=$filter"
