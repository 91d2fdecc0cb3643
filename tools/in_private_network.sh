#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only the loopback
# interface up, so tests can use any port (the privileged 69 and 80 too)
# without touching or being touched by the machine's network. Root makes one
# directly; anyone else through a user namespace where that is allowed.
# Without either, the command runs as it is: the tests use loopback only.
set -euo pipefail
inner='ip link set lo up && exec "$@"'
if [ "$(id -u)" -eq 0 ] && unshare -n true 2>/dev/null; then
  exec unshare -n bash -c "$inner" bash "$@"
fi
if unshare -r -n true 2>/dev/null; then
  exec unshare -r -n bash -c "$inner" bash "$@"
fi
exec "$@"
