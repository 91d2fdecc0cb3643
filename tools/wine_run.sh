#!/bin/sh
# Runs a cross-built Windows program under Wine: the emulator CTest uses for
# the tests of the MinGW build (set in cmake/toolchain-mingw64.cmake), also
# for listing the test cases. The Wine prefix lives in the build tree (the
# nearest directory above the program that holds CMakeCache.txt, or
# $QEV_WINEPREFIX) and is created on first use; Wine's own diagnostics are off.
# Usage: wine_run.sh PROGRAM.exe [ARGUMENTS...]
set -eu

program=${1:?usage: wine_run.sh PROGRAM.exe [ARGUMENTS...]}
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

"$(dirname "$0")/wine_prefix.sh" "$prefix"
export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# The Wine server that Wine starts by itself here ends the moment its last
# program does (Debian starts it with -p0), and a program that connects just
# then fails ("recvmsg: Connection reset by peer"). A server started first
# with a persistence of 30 s serves a whole run of tests instead; when one
# is already running this does nothing. Its output goes nowhere, so that it
# holds no pipe of the caller open.
wineserver -p30 </dev/null >/dev/null 2>&1 || true
exec wine "$@"
