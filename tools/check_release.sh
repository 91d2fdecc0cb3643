#!/usr/bin/env bash
# Checks that a release is reproducible and sound: builds it twice
# (`cmake --workflow --preset release`) in two copies of this tree at paths
# of different lengths, and compares the SHA-256 sum of every file of the
# two dist/ folders; then checks the Debian package (lintian with no errors,
# its contents, `qev-upgrade --version` run from it). The images are those
# of $QEV_TARGET_IMAGE and $QEV_TRANSITION_IMAGE (unset: the samples). The
# first copy's dist/ is left in BUILD_DIR (default out/release-check).
# Usage: tools/check_release.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:-$root/out/release-check}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

# The tree as it stands, in two clones (the release takes its date from the
# last commit) with the uncommitted changes laid over them.
copies=("$work/a/qev" "$work/the-second-build/quality-evaluation-copy")
for copy in "${copies[@]}"; do
  git clone -q --no-hardlinks "$root" "$copy"
  (cd "$root" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' file; do [ ! -e "$file" ] || printf '%s\0' "$file"; done |
     tar --null -T - -cf -) | tar -xf - -C "$copy"
  (cd "$root" && git ls-files -z --deleted) | (cd "$copy" && xargs -0 -r rm -f --)
done

for copy in "${copies[@]}"; do
  start=$(date +%s)
  if ! (cd "$copy" && cmake --workflow --preset release) >"$copy.log" 2>&1; then
    tail -n 40 "$copy.log"
    fail "the release did not build in $copy"
    exit 1
  fi
  echo "release built in $copy in $(( $(date +%s) - start )) s"
done

first=${copies[0]}/dist
second=${copies[1]}/dist
(cd "$first" && find . -type f | sort) >"$work/first.list"
(cd "$second" && find . -type f | sort) >"$work/second.list"
if ! cmp -s "$work/first.list" "$work/second.list"; then
  fail "the two builds made different files:"
  diff "$work/first.list" "$work/second.list" || true
fi
echo "dist/ (size in bytes, SHA-256):"
while read -r file; do
  one=$(sha256sum <"$first/$file" | cut -d' ' -f1)
  two=$(sha256sum <"$second/$file" 2>/dev/null | cut -d' ' -f1 || true)
  printf '  %-52s %9d  %s\n' "${file#./}" "$(stat -c %s "$first/$file")" "$one"
  if [ "$one" != "$two" ]; then
    fail "${file#./} differs between the two builds"
    cmp -l "$first/$file" "$second/$file" 2>/dev/null | head -n 5 || true
  fi
done <"$work/first.list"

# The Debian package: lintian finds no error, the programs and the manual
# page are where they belong, and the program runs from the package.
deb=$(ls "$first"/*.deb)
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for wanted in ./usr/bin/qev-upgrade ./usr/share/man/man1/qev-upgrade.1.gz ./usr/share/doc/qev-upgrade/copyright; do
  grep -qx "$wanted" "$work/contents" || fail "$wanted is not in $(basename "$deb")"
done
depends=$(dpkg-deb -f "$deb" Depends)
grep -q 'libc6' <<<"$depends" || fail "no dependency on libc6: '$depends'"
if command -v lintian >/dev/null; then
  if lintian --fail-on error "$deb" >"$work/lintian" 2>&1; then
    echo "lintian: no errors; $(grep -c '^[WIP]:' "$work/lintian" || true) warnings, notes and pedantic remarks"
  else
    cat "$work/lintian"
    fail "lintian found errors in $(basename "$deb")"
  fi
else
  fail "lintian is not installed (tools/install_dependencies.sh)"
fi
dpkg-deb -x "$deb" "$work/installed"
if version=$("$work/installed/usr/bin/qev-upgrade" --version); then
  echo "from the package: $(tr '\n' ';' <<<"$version")"
else
  fail "qev-upgrade --version did not run from the package"
fi

rm -rf "$out" && mkdir -p "$out" && cp -a "$first" "$out/dist"
if [ $failures -eq 0 ]; then echo "release: reproducible, and packaged soundly"; else echo "release: $failures problems"; fi
[ $failures -eq 0 ]
