#!/usr/bin/env bash
# The main job with the Windows program under Wine (called by
# tools/demo.sh --windows): cross-builds what is missing, then runs
# qev-upgrade.exe against the simulated device in a network namespace of
# their own, the Wine server included (Wine makes every socket there).
#   With DISPLAY set: the dialogs open on your display, for you to answer
#   (device address 127.0.0.1, user admin, password secret).
#   Without: on a private Xvfb, answered by the end-to-end test's driver,
#   which reads each dialog back and clicks it as a user would; what the
#   dialogs showed and the device's transcript follow.
# Either way tools/qev_harness.py starts and ends the Wine server (and the
# private Xvfb): through tools/wine_session.py on your display, through the
# driver otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/out/windows
[ -f "$build/CMakeCache.txt" ] || cmake --preset windows >/dev/null
cmake --build "$build" --target qev-upgrade qev-upgrade-two-stage qev-upgrade-phone qev-automation -j "$(nproc)" >/dev/null
# Wine's server holds the prefix: one of the demo's own, never shared.
prefix=$build/wine-prefix-demo
tools/wine_prefix.sh "$prefix"

if [ -n "${DISPLAY:-}" ]; then
  # The Wine server starts inside the namespace, and ends with the demo.
  exec tools/in_private_network.sh tools/with_simulated_device.sh \
      python3 tools/wine_session.py --prefix "$prefix" --user-display -- tools/wine_run.sh out/windows/qev-upgrade.exe
fi

work=$build/demo
exec tools/in_private_network.sh --private-tmp bash -c '
  PYTHONPATH=tools python3 -B tests/e2e/e2e_test.py --case upgrade_with_digest --driver windows --programs "$1" \
      --phone-program "$1/qev-upgrade-phone.exe" \
      --target-image "$1/firmware/sample-target.bin" --transition-image "$1/firmware/sample-transition.bin" \
      --phone-image "$1/firmware/sample-phone.bin" --simulator tools/device_simulator.py --work "$2" \
      --automation "$1/tools/win32_automation/qev-automation.exe" --wine-run tools/wine_run.sh --wine-prefix "$3" \
      --show
  status=$?
  echo "--- the device transcript"
  cat "$2/device-transcript"
  exit $status
' bash "$build" "$work" "$prefix"
