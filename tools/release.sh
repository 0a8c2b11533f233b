#!/usr/bin/env bash
# Builds the Release Tolvane.exe in a build folder of its own and packs
# build/release/Tolvane-<version>.zip: the program, readme.txt (README.ja.md as plain text in
# code page 932 with CR LF line ends) and the licence. The version is the one of the version
# resource in res/Tolvane.rc. The same commit gives the same bytes: the entries carry the
# commit's time (or SOURCE_DATE_EPOCH when set), and the program no link time. Installs what it
# needs first.
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

# The program alone: no tests, so neither GoogleTest's sources nor Wine are needed.
cmake -S . -B build/release-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release \
  -DTOLVANE_WINDOWS_TESTS=OFF >/dev/null
cmake --build build/release-win -j"$jobs" --target Tolvane

zip=build/release/Tolvane-$version.zip
python3 tools/release_package.py --exe build/release-win/Tolvane.exe --guide README.ja.md \
  --licence LICENSE --out "$zip"
echo "$zip"
sha256sum "$zip"
