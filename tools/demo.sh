#!/usr/bin/env bash
# The main job, demonstrated: builds the Linux program with its embedded
# sample image and runs it against the simulated device, both in a network
# namespace of their own (loopback only; the device listens on port 80 as a
# real one does). The tool's dialogs come as plain lines, answered from a
# script; the program's trace points go to standard error; the device's
# transcript follows.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/install_dependencies.sh
cmake --preset linux-trace >/dev/null
cmake --build out/linux-trace --target qev-upgrade -j "$(nproc)"

exec tools/in_private_network.sh bash -c '
  set -u
  transcript=$(mktemp)
  ready=$(mktemp -u)
  python3 tools/device_simulator.py --address 127.0.0.1 --http-port 80 --password secret \
      --reboot-seconds 3 --lifetime 120 --transcript "$transcript" --ready-file "$ready" >/dev/null &
  device=$!
  for _ in $(seq 100); do [ -f "$ready" ] && break; sleep 0.05; done
  # The answers a user would give: Continue; the device at 127.0.0.1; the
  # password when asked; Upgrade; OK at the end.
  printf "%s\n" continue 127.0.0.1 ok admin secret ok upgrade ok ok | timeout 180 out/linux-trace/qev-upgrade
  echo "qev-upgrade exit code: $?"
  kill "$device" 2>/dev/null; wait "$device" 2>/dev/null
  echo "--- device transcript"
  cat "$transcript"
  rm -f "$transcript" "$ready"
'
