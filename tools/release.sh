#!/usr/bin/env bash
# Builds the Release Tolvane.exe and TolvaneLog.exe of both builds, each build in a folder of its
# own, and packs build/release/Tolvane-<version>.zip: the 32-bit programs at the top (they run on
# every Windows, 64-bit ones included), the 64-bit ones in x64/, the help file Tolvane.HLP (made
# from README.ja.md by the build) beside each Tolvane.exe, readme.txt (README.ja.md as plain text
# in code page 932 with CR LF line ends) and the licence. The version is the one of the version
# resource in res/Tolvane.rc. The same commit gives the same bytes: the entries carry the
# commit's time (or SOURCE_DATE_EPOCH when set), the programs no link time and the help file no
# date. Installs what it needs first.
set -euo pipefail
cd "$(dirname "$0")/.."

tools/setup.sh release
jobs=$(nproc)
((jobs <= 2)) || jobs=2

version=$(python3 tools/release_package.py --version res/Tolvane.rc)
if [[ -z ${SOURCE_DATE_EPOCH:-} ]]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
fi
export SOURCE_DATE_EPOCH

# The programs alone: no tests, so neither GoogleTest's sources nor Wine are needed.
for build in "release-win i686" "release-win64 x86_64"; do
  set -- $build
  cmake -S . -B "build/$1" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$2.cmake" -DCMAKE_BUILD_TYPE=Release \
    -DTOLVANE_WINDOWS_TESTS=OFF >/dev/null
  cmake --build "build/$1" -j"$jobs" --target Tolvane TolvaneLog
  tests/e2e/check_size.sh "build/$1/Tolvane.exe" 114688
  tests/e2e/check_size.sh "build/$1/TolvaneLog.exe" 98304
done
# Both builds make the help file from the same guide; the same bytes, or the build is wrong.
cmp build/release-win/Tolvane.HLP build/release-win64/Tolvane.HLP

zip=build/release/Tolvane-$version.zip
python3 tools/release_package.py --exe build/release-win/Tolvane.exe --exe64 build/release-win64/Tolvane.exe \
  --viewer build/release-win/TolvaneLog.exe --viewer64 build/release-win64/TolvaneLog.exe --hlp build/release-win/Tolvane.HLP --guide README.ja.md --licence LICENSE --out "$zip"
echo "$zip"
sha256sum "$zip"
