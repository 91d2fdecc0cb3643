#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only the loopback
# interface up, so tests can use any port (the privileged 69 and 80 too)
# without touching or being touched by the machine's network. Without the
# rights to make one, the command runs as it is: the tests use loopback only.
set -euo pipefail
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n bash -c 'ip link set lo up && exec "$@"' bash "$@"
fi
exec "$@"
