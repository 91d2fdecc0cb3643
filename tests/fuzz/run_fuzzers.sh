#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time,
# starting from the seed corpus under tests/fuzz/corpus. Fails when a target
# finds a crash, a sanitizer report or a broken check.
#
#   tests/fuzz/run_fuzzers.sh [BUILD_DIR]      (default: out/fuzz)
#   QEV_FUZZ_SECONDS=60 tests/fuzz/run_fuzzers.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/out/fuzz}
seconds=${QEV_FUZZ_SECONDS:-20}

cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DQEV_BUILD_FUZZERS=ON -DQEV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target qev_fuzzers -j "$(nproc)"

status=0
for target in reply_class page_field challenge reply_framing tftp_datagram; do
  echo "=== fuzz_$target for ${seconds}s"
  # New inputs go to a scratch corpus; the seeds in the tree stay as they are.
  work="$build/corpus/$target"
  artifacts="$build/artifacts/$target"
  mkdir -p "$work" "$artifacts"
  if "$build/tests/fuzz/fuzz_$target" "$work" "$root/tests/fuzz/corpus/$target" \
      -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$artifacts/" -print_final_stats=1 >"$build/fuzz_$target.log" 2>&1; then
    grep -E '^(Done|stat::new_units_added)' "$build/fuzz_$target.log" || true
  else
    status=1
    echo "fuzz_$target FAILED; log and reproducer:"
    tail -n 40 "$build/fuzz_$target.log"
    ls -l "$artifacts"
  fi
done
exit $status
