#!/usr/bin/env bash
# Builds both builds and runs every test: the native tests of the host build, then the
# Windows-built tests under Wine (ctest prepares their prefix in build/win/wine, with Xvfb
# when there is no display, and stops it again). Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh
jobs=$(nproc)
((jobs <= 2)) || jobs=2
started=$SECONDS

# Whatever happens, nothing of the Wine run is left behind.
trap 'tools/wine-env.sh stop build/win/wine >/dev/null 2>&1 || true' EXIT

cmake -S . -B build/host -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host -j"$jobs"

# The Windows build: the same core with the Windows adapters, the simulator DLL, and the
# test programs that run under Wine.
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j"$jobs"

status=0
ctest --test-dir build/host --output-on-failure -j"$jobs" || status=1
ctest --test-dir build/win --output-on-failure -j"$jobs" || status=1

if ((status == 0)); then
  echo "All tests passed in $((SECONDS - started)) s."
else
  echo "Some tests failed ($((SECONDS - started)) s)." >&2
fi
exit $status
