#!/usr/bin/env bash
# Benchmark of the TFTP listener against tftpd-hpa, and of the whole program
# while it waits idle, in one run, on loopback inside a network namespace of
# its own:
#
#   bench/tftp_benchmark.sh             the native build (out/linux)
#   bench/tftp_benchmark.sh --windows   the Windows build under Wine (out/windows),
#                                       with Xvfb and Wine prefixes of its own
#
# It builds what it needs, then times the same real client fetching the
# 774,248-byte sample image, in 512-byte blocks, from our listener
# (qev-tftp-serve) and from tftpd-hpa (in.tftpd -L -4 -a :PORT -s DIR), the
# server pinned to CPU 0 and the client to CPU 1, runs interleaved, and
# prints both medians and their ratio. Then bench/idle_program.py drives the
# real qev-upgrade (qev-upgrade.exe under Wine) to its waiting dialog against
# the simulated device, which waits a minute before it fetches, and prints
# the program's CPU share and wake-ups a second over 10 s, all of its threads
# (under Wine its process and its Wine server; Wine's own processes apart).
#
# QEV_BENCH_RUNS (default 9, at least 7), QEV_BENCH_CLIENT (busybox, the
# default; curl; atftp). Needs root, or user namespaces, for the namespace.
# Goals: the transfer ratio at most 1.05 natively and 1.6 under Wine (the
# idle goals are idle_program.py's: at most 0.2% of a core and 20 wake-ups a
# second natively).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=0
[ "${1:-}" = "--windows" ] && windows=1
runs=${QEV_BENCH_RUNS:-9}
client=${QEV_BENCH_CLIENT:-busybox}
name=/qev1a2b.bi1
tftpd_port=6969
idle_seconds=10
fetch_seconds=60   # one fetch's limit: a stalled transfer ends the run
idle_limit=900     # idle_program.py's limit, a Wine prefix copied and started included
ratio_goal=1.05
[ $windows = 1 ] && ratio_goal=1.6
[ "$runs" -ge 7 ] || { echo "QEV_BENCH_RUNS must be at least 7" >&2; exit 2; }

if [ "${QEV_BENCH_IN_NAMESPACE:-}" != 1 ]; then
  # Build outside the namespace, then run the rest inside a fresh one (under
  # Wine also with private X and Wine socket directories, as the end-to-end tests).
  if [ $windows = 1 ]; then
    build=$root/out/windows
    [ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset windows >/dev/null)
    cmake --build "$build" --target qev-tftp-serve qev-upgrade qev-automation -j 2 >/dev/null
    namespace_options=(--private-tmp)
  else
    build=$root/out/linux
    [ -f "$build/CMakeCache.txt" ] || (cd "$root" && cmake --preset linux >/dev/null)
    cmake --build "$build" --target qev-tftp-serve qev-upgrade -j 2 >/dev/null
    namespace_options=()
  fi
  export QEV_BENCH_IN_NAMESPACE=1 QEV_BENCH_BUILD=$build
  exec "$root/tools/in_private_network.sh" "${namespace_options[@]}" "$0" "$@"
fi
# tools/in_private_network.sh runs the command as it is when it cannot make
# a namespace: refuse to bind ports on the machine's own network then.
if ip -o link show | grep -qv ': lo:'; then
  echo "tftp_benchmark.sh: not in a network namespace of its own (needs root or user namespaces)" >&2
  exit 1
fi

build=$QEV_BENCH_BUILD
image=$build/firmware/sample-target.bin
work=$(mktemp -d)
# The idle measurement's files, in the build tree, where its Wine prefix is copied as hard links.
idle_work=$(mktemp -d -p "$build" bench-idle.XXXXXX)
server_pid=
tftpd_pid=
xvfb_pid=
idle_pid=
prefix=$build/wine-prefix-bench

# stop_wine: ends the transfer runs' Wine server and X server.
stop_wine() {
  WINEPREFIX=$prefix timeout 30 wineserver -k >/dev/null 2>&1 || true
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}

cleanup() {
  # Only what this script started, by its process id. idle_program.py ends
  # what it starts when it ends; were it killed, its Wine server is ended here.
  for pid in $idle_pid $server_pid $tftpd_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  if [ $windows = 1 ]; then
    stop_wine
    [ ! -d "$idle_work/wine-prefix" ] ||
      WINEPREFIX=$idle_work/wine-prefix timeout 30 wineserver -k >/dev/null 2>&1 || true
  fi
  rm -rf "$work" "$idle_work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if [ $windows = 1 ]; then
  serve=("$root/tools/wine_run.sh" "$build/tools/tftp_serve/qev-tftp-serve.exe")
  export QEV_WINEPREFIX=$prefix
  exec 9>"$work/display"
  taskset -c 0 Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  exec 9>&-
  for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$work/display")"
  "$root/tools/wine_prefix.sh" "$prefix"
  # The Wine server starts here, inside the namespace, where the sockets are made.
  taskset -c 0 "$root/tools/wine_run.sh" cmd.exe /c exit </dev/null >/dev/null 2>&1 || true
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
    busybox) taskset -c 1 timeout $fetch_seconds busybox tftp -g -r "$name" -l "$work/received" 127.0.0.1 "$port" ;;
    curl) taskset -c 1 timeout $fetch_seconds curl -sS -o "$work/received" "tftp://127.0.0.1:$port/$name" ;;
    atftp) taskset -c 1 timeout $fetch_seconds atftp -g -r "$name" -l "$work/received" 127.0.0.1 "$port" ;;
  esac 2>"$work/client.err" || { cat "$work/client.err" >&2; exit 1; }
  end=$(date +%s%N)
  cmp -s "$image" "$work/received" || { echo "$client received a different image" >&2; exit 1; }
  awk -v ns=$((end - start)) 'BEGIN { printf "%.1f\n", ns / 1e6 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

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
kill "$tftpd_pid" 2>/dev/null || true
wait "$tftpd_pid" 2>/dev/null || true
tftpd_pid=
ours_median=$(median <"$work/ours")
tftpd_median=$(median <"$work/tftpd")
awk -v a="$ours_median" -v b="$tftpd_median" -v goal="$ratio_goal" 'BEGIN {
  ratio = sprintf("%.2f", a / b)
  printf "median: listener %s ms, tftpd-hpa %s ms, ratio %s; goal at most %s: %s\n", a, b, ratio, goal,
    (ratio + 0 <= goal + 0) ? "met" : "NOT MET" }'

# Idle: the whole program in its waiting dialog, with nothing else of this
# script left running.
idle_options=(--build "$build" --work "$idle_work" --seconds "$idle_seconds")
if [ $windows = 1 ]; then
  stop_wine  # its prefix is the template the idle run copies, which no server may hold
  idle_options+=(--windows --wine-prefix "$prefix")
fi
# In the background, so that a signal to this script ends it at once (see cleanup).
# The support module and the end-to-end drivers as the tests find them.
timeout -k 120 $idle_limit env PYTHONPATH="$root/tools:$root/tests/e2e" PYTHONDONTWRITEBYTECODE=1 \
  python3 "$root/bench/idle_program.py" "${idle_options[@]}" --limit $((idle_limit + 120)) &
idle_pid=$!
wait "$idle_pid"
