#!/usr/bin/env bash
# Builds the builds and runs every test: the size and imports of the Release Tolvane.exe, the
# native tests of the host build, the 32-bit build of the core's tests, the same suite with
# sanitizers, the fuzzers (briefly) and a longer model run, then the Windows-built tests under
# Wine (ctest prepares their prefix in build/win/wine, with Xvfb when there is no display, and
# stops it again). Installs what it needs first.
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

# The core and its tests once more as 32-bit code with the shipped program's arithmetic
# (x87 or SSE2, 32-bit size_t), where the 64-bit host build cannot see the difference.
cmake -S . -B build/host32 -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/host32 -j"$jobs"

# The Windows build: the same core with the Windows adapters, the simulator DLL, and the
# test programs that run under Wine.
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j"$jobs"

# The Release program alone, in a build of its own: what ships, built for size. Its size and
# imports are checked below.
cmake -S . -B build/win-release -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/win-release -j"$jobs" --target Tolvane

status=0
ctest --test-dir build/win-release --output-on-failure -L release || status=1
ctest --test-dir build/host --output-on-failure -j"$jobs" || status=1
ctest --test-dir build/host32 --output-on-failure -j"$jobs" || status=1
mark=$SECONDS

# The same unit suite with the address and undefined-behaviour sanitizers (build/host-asan).
tools/host-asan.sh test || status=1
echo "Sanitizer suite: $((SECONDS - mark)) s."
mark=$SECONDS

# The fuzzers, about 20 s each (two at a time), and the model test for as long again.
tools/fuzz.sh 20 || status=1
echo "Fuzzers and the long model run: $((SECONDS - mark)) s."
# Wine runs the Windows-built programs through its 32-bit loader. On a kernel that runs no
# 32-bit program (32-bit emulation switched off) only the checks that read the Windows build
# without running it can run; say so loudly. TOLVANE_REQUIRE_WINE=1 makes that a failure.
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  ctest --test-dir build/win --output-on-failure -j"$jobs" || status=1
else
  echo "NOTICE: this machine cannot run 32-bit programs, so Wine cannot run: the tests under Wine" \
    "are NOT run, only the checks of the Windows build that need no Wine." >&2
  [[ -z ${TOLVANE_REQUIRE_WINE:-} ]] || status=1
  ctest --test-dir build/win --output-on-failure -j"$jobs" -L "static|release" || status=1
fi

if ((status == 0)); then
  echo "All tests passed in $((SECONDS - started)) s."
else
  echo "Some tests failed ($((SECONDS - started)) s)." >&2
fi
exit $status
