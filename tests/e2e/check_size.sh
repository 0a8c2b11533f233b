#!/usr/bin/env bash
# Checks that a program is at most a given number of bytes, and tells its size.
# Usage: check_size.sh PROGRAM MAX_BYTES
set -euo pipefail
program=$1
limit=$2
size=$(stat -c %s "$program")
echo "$(basename "$program"): $size bytes ($((size / 1024)) KiB), at most $limit allowed"
if ((size > limit)); then
  echo "FAILED: $((size - limit)) bytes too large; the linker map beside it tells what it holds"
  exit 1
fi
