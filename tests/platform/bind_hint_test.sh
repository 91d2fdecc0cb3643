#!/usr/bin/env bash
# The hint after binds refused for want of privilege, without the TFTP
# listener: bind_hint_probe binds loopback UDP ports without the capability
# CAP_NET_BIND_SERVICE (dropped from the bounding set, which holds for root
# and for root inside a user namespace alike), then ends as the program does.
# Usage: bind_hint_test.sh PROBE
set -u
probe=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# Without the capability: setpriv drops it; a process without privileges
# never had it.
unprivileged=(setpriv --inh-caps=-net_bind_service --bounding-set=-net_bind_service)
"${unprivileged[@]}" true 2>/dev/null || unprivileged=()

run() {  # run PORTS...: the probe's output in $work/out and $work/err
  "${unprivileged[@]}" "$probe" "$@" >"$work/out" 2>"$work/err"
}
fail() { echo "FAIL $1"; echo "--- stdout"; cat "$work/out"; echo "--- stderr"; cat "$work/err"; failures=$((failures + 1)); }

# Refused twice: after the terminal is restored, one line names the ports
# and the remedy with the program's own path.
run 69 70
path=$(readlink -f "$probe")
if ! grep -qx "port 69 refused" "$work/out" || ! grep -qx "port 70 refused" "$work/out"; then
  fail "ports 69 and 70 were not refused without CAP_NET_BIND_SERVICE"
elif [ "$(sed -n 1p "$work/err")" != "terminal restored" ] || [ "$(wc -l <"$work/err")" -ne 2 ] ||
     [ "$(sed -n 2p "$work/err")" != "$(basename "$probe"): binding ports 69 to 70 was refused: ports below 1024 need root or CAP_NET_BIND_SERVICE; run it with sudo, or allow it once with: sudo setcap cap_net_bind_service=+ep $path" ]; then
  fail "the hint does not follow the restored terminal as one line naming ports 69 to 70 and the remedy"
else
  echo "ok   refused binds: the hint after the terminal's restoration"
fi

# A bind that succeeds after the refusal (a free port) makes the hint moot.
run 69 0
if ! grep -qx "port 0 bound" "$work/out" || [ "$(cat "$work/err")" != "terminal restored" ]; then
  fail "a successful bind after a refused one still left a hint"
else
  echo "ok   a later successful bind: no hint"
fi

echo "$failures failed"
[ $failures -eq 0 ]
