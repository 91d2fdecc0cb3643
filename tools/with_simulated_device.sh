#!/usr/bin/env bash
# Runs a command beside the simulated device of the demonstrations: the
# device on 127.0.0.1:80, password "secret" for the user "admin", a
# five-second reboot; then prints the device's transcript. Run it inside a
# network namespace of its own (tools/in_private_network.sh).
# Usage: with_simulated_device.sh COMMAND [ARGUMENTS...]; exits with the command's status.
set -u
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 tools/device_simulator.py --address 127.0.0.1 --http-port 80 --password secret \
    --reboot-seconds 5 --lifetime 900 --transcript "$work/transcript" --ready-file "$work/ready" >/dev/null &
device=$!
for _ in $(seq 200); do [ -f "$work/ready" ] && break; sleep 0.05; done
"$@"
status=$?
kill "$device" 2>/dev/null
wait "$device" 2>/dev/null
echo "--- device transcript"
cat "$work/transcript"
exit $status
