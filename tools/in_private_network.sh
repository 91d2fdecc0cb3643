#!/usr/bin/env bash
# Runs a command in a network namespace of its own with only the loopback
# interface up, so tests can use any port (the privileged 69 and 80 too)
# without touching or being touched by the machine's network. Root makes one
# directly; anyone else through a user namespace where that is allowed.
# Without either, the command runs as it is: the tests use loopback only.
#
# Usage: in_private_network.sh [--private-tmp] COMMAND [ARGUMENTS...]
#   --private-tmp  also a mount namespace with empty tmpfs on /tmp/.X11-unix,
#                  /tmp/.wine-UID and /var/lib/xkb: an X server and a Wine
#                  server keep their sockets there, where servers in other
#                  network namespaces would find (and take over) each other,
#                  and an X server compiles its keymap into /var/lib/xkb
#                  under its display number. The rest of /tmp stays as it
#                  is, a tree checked out there included; so do the X
#                  servers' lock files, which keep display numbers apart.
#                  Without namespaces the command does not run.
set -euo pipefail
inner='ip link set lo up && exec "$@"'
unshare_options=(-n)
if [ "${1:-}" = --private-tmp ]; then
  shift
  unshare_options=(-n -m)
  inner='ip link set lo up && wine_dir=/tmp/.wine-$(id -u) &&
         mkdir -p -m 1777 /tmp/.X11-unix && mkdir -p -m 0700 "$wine_dir" &&
         mount -t tmpfs -o mode=1777 private-x11 /tmp/.X11-unix &&
         mount -t tmpfs -o mode=0700 private-wine "$wine_dir" &&
         { [ ! -d /var/lib/xkb ] || mount -t tmpfs private-xkb /var/lib/xkb; } && exec "$@"'
fi
if [ "$(id -u)" -eq 0 ] && unshare "${unshare_options[@]}" true 2>/dev/null; then
  exec unshare "${unshare_options[@]}" bash -c "$inner" bash "$@"
fi
if unshare -r "${unshare_options[@]}" true 2>/dev/null; then
  exec unshare -r "${unshare_options[@]}" bash -c "$inner" bash "$@"
fi
if [ "${#unshare_options[@]}" -gt 1 ]; then
  echo "in_private_network.sh: no namespaces here for a private /tmp" >&2
  exit 1
fi
exec "$@"
