#!/usr/bin/env bash
# Builds both programs with both toolchains and runs every test: native unit
# and loopback tests, the same under AddressSanitizer + UndefinedBehavior-
# Sanitizer and under ThreadSanitizer, the Windows build under Wine, the
# release built twice and compared, and the fuzz targets for a short while.
# Build trees go to out/.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)
e2e_jobs=${QEV_E2E_JOBS:-20}  # the end-to-end tests mostly wait: many at once
status=0
passed=0
failed=0

# add_counts LOG: adds the counts of each ctest summary line in LOG to the
# totals; a log without one (ctest did not get to run) is a failure.
add_counts() {
  local line total bad found=0
  while read -r line; do
    total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
    bad=$(sed -E 's/.* ([0-9]+) tests failed.*/\1/' <<<"$line")
    passed=$((passed + total - bad))
    failed=$((failed + bad))
    found=1
  done < <(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$1" || true)
  [ "$found" = 1 ] || status=1
}

# run_ctest NAME BUILD_DIR JOBS [ctest args...]: runs ctest in a private
# network namespace and adds its counts to the totals.
run_ctest() {
  local name=$1 dir=$2 parallel=$3
  shift 3
  echo "=== tests: $name"
  local log="$dir/ctest-summary-$name.log" start=$SECONDS
  if tools/in_private_network.sh ctest --test-dir "$dir" --output-on-failure -j "$parallel" "$@" 2>&1 | tee "$log"; then :; else status=1; fi
  add_counts "$log"
  echo "=== tests: $name took $((SECONDS - start)) s"
}

build() {
  local preset=$1
  echo "=== build: $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
}

echo "=== source rules"
tools/check_sources.sh || status=1

build linux
run_ctest linux out/linux "$jobs" -LE e2e
# The end-to-end tests: the real programs against the simulated device.
run_ctest linux-e2e out/linux "$e2e_jobs" -L e2e

build linux-sanitize
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1
run_ctest linux-sanitize out/linux-sanitize "$jobs" -LE e2e
run_ctest linux-sanitize-e2e out/linux-sanitize "$e2e_jobs" -L e2e
unset ASAN_OPTIONS UBSAN_OPTIONS

build linux-tsan
export TSAN_OPTIONS=halt_on_error=1
run_ctest linux-tsan out/linux-tsan "$jobs" -LE e2e
run_ctest linux-tsan-e2e out/linux-tsan "$e2e_jobs" -L e2e
unset TSAN_OPTIONS

if [ -x tools/run_windows_tests.sh ]; then
  echo "=== Windows build under Wine"
  if QEV_E2E_JOBS=$e2e_jobs tools/run_windows_tests.sh "$root/out/windows" 2>&1 | tee out/windows-tests.log; then :; else status=1; fi
  add_counts out/windows-tests.log
fi

echo "=== release: built twice and compared, the Debian package checked"
if tools/check_release.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); status=1; fi

if [ -x tests/fuzz/run_fuzzers.sh ]; then
  echo "=== fuzz targets"
  tests/fuzz/run_fuzzers.sh "$root/out/fuzz" || status=1
fi

echo
echo "$passed passed, $failed failed"
exit $status
