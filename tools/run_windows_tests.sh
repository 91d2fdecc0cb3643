#!/bin/bash
# Cross-builds the Windows program, its tests and test tools with MinGW-w64
# and runs the tests under Wine: configures the build directory, builds,
# then in a private network namespace (tools/in_private_network.sh) starts a
# private Xvfb on a free display (time-limited, ended on exit), creates the
# Wine prefix in the build directory, starts its Wine server, runs CTest.
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
build_dir=$(cd "$build_dir" && pwd)
prefix="$build_dir/wine-prefix"

display_file=$(mktemp)
xvfb_pid=
cleanup() {
    # The Wine servers of the build's prefixes (and the processes they still
    # hold) and the display, all started here.
    for used in "$prefix" "$build_dir/wine-prefix-dialogs"; do
        [ -d "$used" ] && WINEPREFIX="$used" timeout 30 wineserver -k >/dev/null 2>&1 || true
    done
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -f "$display_file"
}
trap cleanup EXIT

# -displayfd: Xvfb picks a free display and writes its number when ready.
exec 9>"$display_file"
timeout "$limit" Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
exec 9>&-
for _ in $(seq 100); do
    [ -s "$display_file" ] && break
    sleep 0.1
done
if [ ! -s "$display_file" ]; then
    echo "run_windows_tests.sh: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$(head -n 1 "$display_file")"
echo "run_windows_tests.sh: Xvfb on display $DISPLAY"

"$source_dir/tools/wine_prefix.sh" "$prefix"
# A server of the prefix left from an earlier run outside this network
# would create the sockets out there: end it first.
WINEPREFIX="$prefix" timeout 30 wineserver -k >/dev/null 2>&1 || true
# The Wine server for the run (it stays while tests come; the cleanup ends it).
QEV_WINEPREFIX="$prefix" "$source_dir/tools/wine_run.sh" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true

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
