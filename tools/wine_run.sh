#!/bin/sh
# Runs a cross-built Windows program under Wine: the emulator CTest uses for
# the tests of the MinGW build (set in cmake/toolchain-mingw64.cmake), also
# for listing the test cases. The Wine prefix lives in the build tree (the
# nearest directory above the program that holds CMakeCache.txt, or
# $QEV_WINEPREFIX) and is created on first use; Wine's own diagnostics are off.
# Usage: wine_run.sh PROGRAM.exe [ARGUMENTS...]
set -eu

program=${1:?usage: wine_run.sh PROGRAM.exe [ARGUMENTS...]}
# Debian's Wine has no preloader to reserve its fixed addresses, so with
# address randomization the loader's heap lands on Wine's shared user data
# (0x7ffe0000) about once in 1,700 starts, and the program fails before it
# runs ("failed to map the shared user data", exit code 1). Wine runs with
# randomization off for this process and its children, where that is allowed.
# (0x40000: ADDR_NO_RANDOMIZE, inherited by every process started from here.)
if [ $((0x$(cat /proc/self/personality) & 0x40000)) -eq 0 ] && setarch "$(uname -m)" -R true 2>/dev/null; then
    exec setarch "$(uname -m)" -R "$0" "$@"
fi
if [ -n "${QEV_WINEPREFIX:-}" ]; then
    prefix=$QEV_WINEPREFIX
else
    directory=$(cd "$(dirname "$program")" && pwd)
    while [ "$directory" != / ] && [ ! -f "$directory/CMakeCache.txt" ]; do
        directory=$(dirname "$directory")
    done
    if [ ! -f "$directory/CMakeCache.txt" ]; then
        echo "wine_run.sh: $program is not inside a build tree; set QEV_WINEPREFIX" >&2
        exit 2
    fi
    prefix="$directory/wine-prefix"
fi

mkdir -p "$(dirname "$prefix")"
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"  # Wine takes only an absolute one
"$(dirname "$0")/wine_prefix.sh" "$prefix"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Wine server that Wine starts by itself ends the moment its last
# program does (Debian starts it with -p0), and a program that connects just
# then fails ("recvmsg: Connection reset by peer"). So a server is started
# here first, staying 30 s after its last program, to serve a whole run of
# tests. Wine's system processes (services, desktop) are started by the
# first program of a server and keep its standard output: a first program
# with no output of the caller's starts them, or they would hold the
# caller's pipe open (CTest's) for the server's whole life.
# (The lock's descriptor is closed for the server and the first program:
# they outlive this script and would hold the lock.)
exec 8>"$prefix.server.lock"
flock -w 300 8 || true
if wineserver -p30 </dev/null >/dev/null 2>&1 8>&-; then
    timeout 120 wine cmd.exe /c exit </dev/null >/dev/null 2>&1 8>&- || true
fi
exec 8>&-
exec wine "$@"
