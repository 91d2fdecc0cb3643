#!/usr/bin/env bash
# The build's reading of an image's identity (cmake/FirmwareIdentity.cmake):
# the product from the table in image/product_table.def, matched as the
# program matches it, and the version text made printable.
set -u
root=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

image() {  # image FILE TAG-BYTES VERSION-BYTES (Python literals)
  python3 - "$work/$1" "$2" "$3" <<'PY'
import ast, sys
path, tag, version = sys.argv[1], ast.literal_eval(sys.argv[2]), ast.literal_eval(sys.argv[3])
data = bytearray(b"\xAA" * 256)
data[0:len(tag)] = tag
data[92:92 + len(version) + 1] = version + b"\0"
open(path, "wb").write(bytes(data))
PY
}

check() {  # check FILE EXPECTED-OUTPUT
  local got
  got=$(cmake -DIMAGE="$work/$1" -P "$root/cmake/FirmwareIdentity.cmake" 2>&1)
  if [ "$got" = "$2" ]; then echo "ok   $1: $got"; else echo "FAIL $1: got '$got', expected '$2'"; failures=$((failures + 1)); fi
}

image row1.bin "b'QAT1040\0'" "b'3.1.24(QE)'"
check row1.bin "QEV-1040|adapter|3.1.24(QE)"
image longer-tag-first.bin "b'QAT4000R'" "b'1'"        # row 12 before its prefix, row 13
check longer-tag-first.bin "QEV-4KR|adapter|1"
image prefix-row.bin "b'QAT4000X'" "b'1'"
check prefix-row.bin "QEV-4000|adapter|1"
image phone-any-case.bin "b'qph300e\0'" "b'2'"         # row 4, not its prefix row 8
check phone-any-case.bin "QEV-300E Deluxe|phone|2"
image short-phone-tag.bin "b'QPH300Z\0'" "b'2'"        # row 8: six characters compared
check short-phone-tag.bin "QEV-300|phone|2"
image tag-ends-early.bin "b'QPH30\0\0\0'" "b'2'"
check tag-ends-early.bin "ODM-Product|adapter|2"
image unknown.bin "b'ZZZ9999\0'" "b'a;b\x1b\xffc'"
check unknown.bin "ODM-Product|adapter|a?b??c"

echo "$failures failed"
[ $failures -eq 0 ]
