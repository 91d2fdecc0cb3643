#!/usr/bin/env bash
# The build's check of a firmware image: each kind of bad image is refused
# with the file and the reason, and the limits themselves pass.
set -u
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

check() {  # check NAME EXPECT(valid|refused) REASON-PATTERN
  local output
  output=$(cmake -DIMAGE="$work/$1" -P "$root/cmake/ValidateFirmwareImage.cmake" 2>&1)
  local code=$?
  output=$(tr -s ' \n' '  ' <<<"$output")  # CMake wraps its messages
  if [ "$2" = valid ] && [ $code -ne 0 ]; then
    echo "FAIL $1: refused: $output"; failures=$((failures + 1))
  elif [ "$2" = refused ] && { [ $code -eq 0 ] || ! grep -q "$work/$1: .*$3" <<<"$output"; }; then
    echo "FAIL $1: expected a refusal naming the file and '$3', got ($code): $output"; failures=$((failures + 1))
  else
    echo "ok   $1"
  fi
}

header() {  # header FILE SIZE VERSION: tag at 0, version at 92, zero padding
  python3 - "$@" <<'PY'
import sys
path, size, version = sys.argv[1], int(sys.argv[2]), sys.argv[3].encode()
data = bytearray(b"\xAA" * size)
data[0:8] = b"QAT1040\0"
if size >= 128:
    data[92:128] = (version + b"\0" * 36)[:36] if len(version) < 36 else version[:36]
with open(path, "wb") as out:
    out.write(data)
PY
}

header "$work/smallest.bin" 128 "1.0.0"
check smallest.bin valid
header "$work/short.bin" 127 "1.0.0"
check short.bin refused "shorter than its 128-byte header"
check missing.bin refused "no such file"
header "$work/unterminated.bin" 4096 "$(printf 'x%.0s' {1..36})"
check unterminated.bin refused "not NUL-terminated"
header "$work/longest-version.bin" 4096 "$(printf 'x%.0s' {1..35})"
check longest-version.bin valid
header "$work/empty-version.bin" 4096 ""
check empty-version.bin refused "is empty"
header "$work/largest.bin" 128 "1.0.0" && truncate -s 33553919 "$work/largest.bin"
check largest.bin valid
truncate -s 33553920 "$work/largest.bin" && mv "$work/largest.bin" "$work/too-large.bin"
check too-large.bin refused "more than 33553919"

echo "$failures failed"
[ $failures -eq 0 ]
