#!/usr/bin/env bash
# The transfer half of bench/tftp_benchmark.sh, which runs it inside its
# network namespace (under Wine inside tools/wine_session.py, which gives it
# DISPLAY and QEV_WINEPREFIX): the same real client fetches the sample image,
# in 512-byte blocks, from our listener (qev-tftp-serve) and from tftpd-hpa
# (in.tftpd -L -4 -a :PORT -s DIR) in turn, the servers on CPU 0 and the
# client on CPU 1; prints each run, both medians and their ratio with the goal.
#
# Both fetches of a run get the same run-up: our listener (which serves one
# fetch) is started first, then the two fetches go back to back, each first
# in every other run. A fetch that follows a pause is some 20% slower where
# idle CPUs sleep deeply (a virtual machine's halt polling), for either
# server: timing ours after its start and tftpd-hpa straight after ours made
# the ratio some 20% worse than it is.
#
# Usage: transfer_timing.sh BUILD_DIR [--windows]
#   QEV_BENCH_RUNS (default 10, at least 7; even, each server is first as
#   often), QEV_BENCH_CLIENT (busybox, the default; curl; atftp).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?usage: transfer_timing.sh BUILD_DIR [--windows]}
windows=0
[ "${2:-}" = "--windows" ] && windows=1
runs=${QEV_BENCH_RUNS:-10}
client=${QEV_BENCH_CLIENT:-busybox}
name=/qev1a2b.bi1
tftpd_port=6969
fetch_seconds=60   # one fetch's limit: a stalled transfer ends the run
ratio_goal=1.05
[ $windows = 1 ] && ratio_goal=1.6
[ "$runs" -ge 7 ] || { echo "QEV_BENCH_RUNS must be at least 7" >&2; exit 2; }
# tftpd-hpa listens on every address: only inside the benchmark's namespace.
[ "${QEV_BENCH_IN_NAMESPACE:-}" = 1 ] || { echo "transfer_timing.sh: run by bench/tftp_benchmark.sh" >&2; exit 2; }

image=$build/firmware/sample-target.bin
work=$(mktemp -d)
server_pid=
tftpd_pid=

cleanup() {
  # A second signal must not cut this short (`timeout` signals this script
  # and then its process group).
  trap '' INT TERM
  # Only what this script started, by its process id.
  for pid in $server_pid $tftpd_pid; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

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
  if [ $((run % 2)) = 1 ]; then
    ours=$(fetch "$port")
    theirs=$(fetch "$tftpd_port")
  else
    theirs=$(fetch "$tftpd_port")
    ours=$(fetch "$port")
  fi
  stop_listener
  echo "$ours" >>"$work/ours"
  echo "$theirs" >>"$work/tftpd"
  printf '  run %d: listener %s ms, tftpd-hpa %s ms\n' "$run" "$ours" "$theirs"
done
ours_median=$(median <"$work/ours")
tftpd_median=$(median <"$work/tftpd")
awk -v a="$ours_median" -v b="$tftpd_median" -v goal="$ratio_goal" 'BEGIN {
  ratio = sprintf("%.2f", a / b)
  printf "median: listener %s ms, tftpd-hpa %s ms, ratio %s; goal at most %s: %s\n", a, b, ratio, goal,
    (ratio + 0 <= goal + 0) ? "met" : "NOT MET" }'
