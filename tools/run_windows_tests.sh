#!/bin/bash
# Cross-builds the Windows program, its tests and test tools with MinGW-w64
# and runs the tests under Wine: configures the build directory, builds,
# then in a private network namespace (tools/in_private_network.sh) runs
# CTest in a Wine session (tools/wine_session.py: a private Xvfb on a free
# display, time-limited, the Wine prefix in the build directory and its Wine
# server started in there, all ended afterwards).
#
# Usage: tools/run_windows_tests.sh [BUILD_DIR [CTEST_ARGUMENTS...]]
#   BUILD_DIR defaults to out/windows; QEV_JOBS (default 2) sets the build's
#   and CTest's parallel jobs, QEV_E2E_JOBS (default 20) those of the
#   end-to-end tests (label e2e), which run after the others. The dialog
#   screenshots are left in BUILD_DIR/tests/windows/screenshots.
set -euo pipefail

source_dir=$(cd "$(dirname "$0")/.." && pwd)
build_dir=${1:-$source_dir/out/windows}
shift || true
jobs=${QEV_JOBS:-2}
e2e_jobs=${QEV_E2E_JOBS:-20}
limit=${QEV_TEST_TIME_LIMIT:-3600}  # seconds for the whole run's display

if [ "${QEV_WINDOWS_TESTS_BUILT:-}" != 1 ]; then
    build_dir=$(realpath -m "$build_dir")
    (cd "$source_dir" && cmake --preset windows -B "$build_dir")
    cmake --build "$build_dir" -j "$jobs"
    # The rest runs in a network namespace of its own with only loopback up,
    # like the native tests: the ports the tests use are then free and
    # nothing outside can answer. Wine creates every socket in the Wine
    # server, so the server, the display and CTest all start in there.
    QEV_WINDOWS_TESTS_BUILT=1 exec "$source_dir/tools/in_private_network.sh" "$0" "$build_dir" "$@"
fi
if [ "${QEV_WINDOWS_TESTS_SESSION:-}" != 1 ]; then
    # The dialog tests end the server of their own prefix after each test;
    # should one be killed first, the session's end ends that server too.
    QEV_WINDOWS_TESTS_SESSION=1 exec python3 "$source_dir/tools/wine_session.py" --prefix "$build_dir/wine-prefix" \
        --also-end "$build_dir/wine-prefix-dialogs" --lifetime "$limit" -- "$0" "$build_dir" "$@"
fi

start=$(date +%s)
status=0
ctest --test-dir "$build_dir" --output-on-failure -j "$jobs" -LE e2e "$@" || status=$?
echo "run_windows_tests.sh: tests ran for $(( $(date +%s) - start )) s; screenshots in $build_dir/tests/windows/screenshots"
# The end-to-end cases mostly wait for the device's reboot: many at once,
# each with its own display, Wine server and network namespace.
start=$(date +%s)
ctest --test-dir "$build_dir" --output-on-failure -j "$e2e_jobs" -L e2e "$@" || status=$?
echo "run_windows_tests.sh: end-to-end tests ran for $(( $(date +%s) - start )) s"
exit $status
