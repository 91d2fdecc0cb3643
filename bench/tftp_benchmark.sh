#!/usr/bin/env bash
# Benchmark of the TFTP listener against tftpd-hpa, and of the whole program
# while it waits idle, in one run, on loopback inside a network namespace of
# its own:
#
#   bench/tftp_benchmark.sh             the native build (out/linux)
#   bench/tftp_benchmark.sh --windows   the Windows build under Wine (out/windows),
#                                       with X and Wine socket directories of its own
#
# It builds what it needs, then bench/transfer_timing.sh times the same real
# client fetching the 774,248-byte sample image from our listener and from
# tftpd-hpa and prints both medians and their ratio (under Wine inside
# tools/wine_session.py, which gives it a private Xvfb and the prefix
# out/windows/wine-prefix-bench, its Wine server started in the namespace,
# and ends both). Then bench/idle_program.py drives the real qev-upgrade
# (qev-upgrade.exe under Wine, in a copy of that prefix) to its waiting
# dialog against the simulated device, which waits a minute before it
# fetches, and prints the program's CPU share and wake-ups a second over
# 10 s, all of its threads (under Wine its process and its Wine server;
# Wine's own processes apart).
#
# QEV_BENCH_RUNS (default 10, at least 7), QEV_BENCH_CLIENT (busybox, the
# default; curl; atftp) as for transfer_timing.sh. Needs root, or user
# namespaces, for the namespace. The goals are printed with the figures
# (transfer_timing.sh and idle_program.py hold them).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=0
[ "${1:-}" = "--windows" ] && windows=1
idle_seconds=10
transfer_limit=1200  # the transfer runs, a first Wine prefix made included
idle_limit=900       # idle_program.py's, a Wine prefix copied and started included
stop_grace=120       # after a limit, for each part to clean up before it is killed

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
prefix=$build/wine-prefix-bench
# The idle measurement's files, in the build tree, where its Wine prefix is copied as hard links.
idle_work=$(mktemp -d -p "$build" bench-idle.XXXXXX)
part_pid=

cleanup() {
  trap '' INT TERM  # a second signal must not cut this short
  # Only what this script started, by its process id. Each part ends what
  # it starts when it ends; were one killed, the Wine servers of the two
  # prefixes are ended here (an Xvfb ends with its own time limit).
  if [ -n "$part_pid" ]; then
    kill "$part_pid" 2>/dev/null || true
    wait "$part_pid" 2>/dev/null || true
  fi
  if [ $windows = 1 ]; then
    for wine_prefix in "$prefix" "$idle_work/wine-prefix"; do
      [ ! -d "$wine_prefix" ] || WINEPREFIX=$wine_prefix timeout 60 wineserver -k >/dev/null 2>&1 || true
    done
  fi
  rm -rf "$idle_work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# run_part LIMIT COMMAND...: in the background, so that a signal to this
# script ends it at once (see cleanup), under a time limit.
run_part() {
  local limit=$1
  shift
  timeout -k $stop_grace "$limit" "$@" &
  part_pid=$!
  local status=0
  wait "$part_pid" || status=$?
  part_pid=
  return $status
}

transfer=("$root/bench/transfer_timing.sh" "$build")
if [ $windows = 1 ]; then
  # The listener on the session's display and in its prefix; the Xvfb and
  # the Wine server on CPU 0 with it, the client alone on CPU 1.
  transfer=(python3 "$root/tools/wine_session.py" --prefix "$prefix" --cpu 0 --lifetime $transfer_limit
            -- "${transfer[@]}" --windows)
fi
run_part $transfer_limit "${transfer[@]}"

# Idle: the whole program in its waiting dialog, with nothing else of this
# script left running (under Wine the session above has ended the server of
# the prefix, which the idle run copies).
idle_options=(--build "$build" --work "$idle_work" --seconds "$idle_seconds" --limit $((idle_limit + stop_grace)))
[ $windows = 0 ] || idle_options+=(--windows --wine-prefix "$prefix")
# The support module and the end-to-end drivers as the tests find them.
run_part $idle_limit env PYTHONPATH="$root/tools:$root/tests/e2e" PYTHONDONTWRITEBYTECODE=1 \
  python3 "$root/bench/idle_program.py" "${idle_options[@]}"
