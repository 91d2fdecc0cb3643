#!/usr/bin/env bash
# Benchmark of the TFTP listener against tftpd-hpa, in one run, on loopback
# inside a network namespace of its own:
#
#   bench/tftp_benchmark.sh             the native build (out/linux)
#   bench/tftp_benchmark.sh --windows   the Windows build under Wine (out/windows),
#                                       with an Xvfb and a Wine prefix of its own
#                                       (tools/wine_session.py)
#
# It builds qev-tftp-serve if needed, then times the same real client
# fetching the 774,248-byte sample image, in 512-byte blocks, from our
# listener and from tftpd-hpa (in.tftpd -L -4 -a :PORT -s DIR), the server
# pinned to CPU 0 and the client to CPU 1, runs interleaved. It prints both
# medians and their ratio, then the CPU time the listener uses while it waits
# idle for 10 s (under Wine, the program's and the Wine server's).
#
# QEV_BENCH_RUNS (default 9, at least 7), QEV_BENCH_CLIENT (busybox, the
# default; curl; atftp). Needs root, or user namespaces, for the namespace.
# Targets: native ratio at most 1.1, Wine at most 1.6; idle under 2% of a core.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=0
[ "${1:-}" = "--windows" ] && windows=1
runs=${QEV_BENCH_RUNS:-9}
client=${QEV_BENCH_CLIENT:-busybox}
name=/qev1a2b.bi1
tftpd_port=6969
idle_seconds=10
[ "$runs" -ge 7 ] || { echo "QEV_BENCH_RUNS must be at least 7" >&2; exit 2; }

if [ "${QEV_BENCH_IN_NAMESPACE:-}" != 1 ]; then
  # Build outside the namespace, then run the rest inside a fresh one.
  if [ $windows = 1 ]; then
    build=$root/out/windows
    [ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset windows >/dev/null)
  else
    build=$root/out/linux
    [ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset linux >/dev/null)
  fi
  cmake --build "$build" --target qev-tftp-serve -j 2 >/dev/null
  export QEV_BENCH_IN_NAMESPACE=1 QEV_BENCH_BUILD=$build
  exec "$root/tools/in_private_network.sh" "$0" "$@"
fi
# tools/in_private_network.sh runs the command as it is when it cannot make
# a namespace: refuse to bind ports on the machine's own network then.
if ip -o link show | grep -qv ': lo:'; then
  echo "tftp_benchmark.sh: not in a network namespace of its own (needs root or user namespaces)" >&2
  exit 1
fi

build=$QEV_BENCH_BUILD
image=$build/firmware/sample-target.bin
prefix=$build/wine-prefix-bench
if [ $windows = 1 ] && [ "${QEV_BENCH_IN_WINE_SESSION:-}" != 1 ]; then
  # An Xvfb, the prefix and its Wine server, started here inside the
  # namespace, where Wine makes the sockets, on the server's CPU; ended with
  # the benchmark.
  export QEV_BENCH_IN_WINE_SESSION=1
  exec python3 "$root/tools/wine_session.py" --prefix "$prefix" --cpu 0 -- "$0" "$@"
fi
work=$(mktemp -d)
server_pid=
tftpd_pid=

cleanup() {
  # Only what this script started, by its process id.
  for pid in $server_pid $tftpd_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT

if [ $windows = 1 ]; then
  serve=("$root/tools/wine_run.sh" "$build/tools/tftp_serve/qev-tftp-serve.exe")
else
  serve=("$build/tools/tftp_serve/qev-tftp-serve")
fi

# start_listener: starts our listener on CPU 0 and sets server_pid and port.
start_listener() {
  : >"$work/serve.err"
  taskset -c 0 "${serve[@]}" 127.0.0.1 "$name" </dev/null >"$work/serve.out" 2>"$work/serve.err" &
  server_pid=$!
  port=
  for _ in $(seq 600); do
    port=$(tr -d '\r' <"$work/serve.err" | sed -n 's/^port \([0-9]*\)$/\1/p')
    [ -n "$port" ] && return 0
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.05
  done
  echo "the listener did not start:" >&2
  cat "$work/serve.out" "$work/serve.err" >&2
  exit 1
}

stop_listener() {
  kill "$server_pid" 2>/dev/null || true
  wait "$server_pid" 2>/dev/null || true
  server_pid=
}

# fetch PORT: one timed fetch on CPU 1; prints milliseconds.
fetch() {
  local port=$1 start end
  rm -f "$work/received"
  start=$(date +%s%N)
  # The clients' progress output goes aside; a failure shows it.
  case $client in
    busybox) taskset -c 1 busybox tftp -g -r "$name" -l "$work/received" 127.0.0.1 "$port" 2>"$work/client.err" ;;
    curl) taskset -c 1 curl -sS -o "$work/received" "tftp://127.0.0.1:$port/$name" 2>"$work/client.err" ;;
    atftp) taskset -c 1 atftp -g -r "$name" -l "$work/received" 127.0.0.1 "$port" 2>"$work/client.err" ;;
  esac || { cat "$work/client.err" >&2; exit 1; }
  end=$(date +%s%N)
  cmp -s "$image" "$work/received" || { echo "$client received a different image" >&2; exit 1; }
  awk -v ns=$((end - start)) 'BEGIN { printf "%.1f\n", ns / 1e6 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# CPU seconds (user + system) of a process so far.
cpu_seconds() { awk -v tick="$(getconf CLK_TCK)" '{ printf "%.3f\n", ($14 + $15) / tick }' "/proc/$1/stat"; }

mkdir -p "$work/tftpboot"
cp "$image" "$work/tftpboot/${name#/}"
taskset -c 0 in.tftpd -L -4 -a ":$tftpd_port" -s "$work/tftpboot" -u root &
tftpd_pid=$!
sleep 0.3

label=native
[ $windows = 1 ] && label="Windows build under Wine"
echo "TFTP benchmark ($label): $client fetching $(stat -c %s "$image") bytes, $runs runs each"
: >"$work/ours"
: >"$work/tftpd"
for run in $(seq "$runs"); do
  start_listener
  ours=$(fetch "$port")
  stop_listener
  theirs=$(fetch "$tftpd_port")
  echo "$ours" >>"$work/ours"
  echo "$theirs" >>"$work/tftpd"
  printf '  run %d: listener %s ms, tftpd-hpa %s ms\n' "$run" "$ours" "$theirs"
done
ours_median=$(median <"$work/ours")
tftpd_median=$(median <"$work/tftpd")
printf 'median: listener %s ms, tftpd-hpa %s ms, ratio %.2f\n' "$ours_median" "$tftpd_median" \
  "$(awk -v a="$ours_median" -v b="$tftpd_median" 'BEGIN { print a / b }')"

# Idle: the listener waits for a request that does not come.
start_listener
sleep 1
pids=("$server_pid")
if [ $windows = 1 ]; then
  # The Wine server of this prefix does the waiting with the program.
  for pid in $(pgrep -x 'wineserver(64)?' || true); do
    tr '\0' '\n' <"/proc/$pid/environ" 2>/dev/null | grep -qx "WINEPREFIX=$prefix" && pids+=("$pid")
  done
fi
before=()
for pid in "${pids[@]}"; do before+=("$(cpu_seconds "$pid")"); done
sleep "$idle_seconds"
for i in "${!pids[@]}"; do
  used=$(awk -v a="${before[$i]}" -v b="$(cpu_seconds "${pids[$i]}")" 'BEGIN { print b - a }')
  what=listener
  [ "$i" -gt 0 ] && what="Wine server"
  printf 'idle %d s: %s used %.2f s of CPU, %.2f%% of one core\n' "$idle_seconds" "$what" "$used" \
    "$(awk -v u="$used" -v s="$idle_seconds" 'BEGIN { print 100 * u / s }')"
done
stop_listener
