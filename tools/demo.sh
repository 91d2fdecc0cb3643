#!/usr/bin/env bash
# The main job, demonstrated: builds what is missing of the Linux program
# with its embedded sample image, then runs it against the simulated device,
# both in a network namespace of their own with only loopback up (so the
# device listens on port 80 and the tool's TFTP server on port 69, as on a
# real network, and nothing leaves this machine).
#
#   tools/demo.sh            from a terminal: the dialogs full screen, for
#                            you to answer (device address 127.0.0.1, user
#                            admin, password secret); otherwise the answers
#                            a user would give come as scripted lines
#   tools/demo.sh --windows  the same with the Windows program under Wine
#                            (on your display when DISPLAY is set, answered
#                            by you; otherwise on a private Xvfb, answered
#                            by a script that reads the dialogs)
#
# The device's transcript follows the run. As root the namespace is made
# directly; otherwise through a user namespace (see README.md).
set -euo pipefail
cd "$(dirname "$0")/.."
windows=0
case "${1:-}" in
  --windows) windows=1 ;;
  "") ;;
  *) echo "usage: tools/demo.sh [--windows]" >&2; exit 2 ;;
esac
bash tools/install_dependencies.sh
if [ $windows = 1 ]; then
  exec tools/demo_windows.sh
fi
[ -f out/linux/CMakeCache.txt ] || cmake --preset linux >/dev/null
cmake --build out/linux --target qev-upgrade -j "$(nproc)" >/dev/null

interactive=0
[ -t 0 ] && [ -t 1 ] && [ "${TERM:-dumb}" != dumb ] && interactive=1
if [ $interactive = 1 ]; then
  exec tools/in_private_network.sh tools/with_simulated_device.sh out/linux/qev-upgrade
fi
# The answers a user would give: Continue; the device at 127.0.0.1 (the
# local address offered is kept); user admin, password secret; Upgrade;
# after the transfer and the reboot wait, OK in the success dialog.
exec tools/in_private_network.sh tools/with_simulated_device.sh bash -c '
  printf "%s\n" continue 127.0.0.1 ok admin secret ok upgrade ok | timeout 300 out/linux/qev-upgrade
  status=$?
  echo "qev-upgrade exit code: $status"
  exit $status'
