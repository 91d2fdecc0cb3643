#!/bin/sh
# Creates the Wine prefix the cross-built Windows programs run in, once:
# wineboot under a time limit, without the Mono and Gecko install prompts,
# and with Wine's crash dialog switched off so that a crashing test ends
# instead of waiting for a click. Safe to run from several tests at once: the
# first one creates the prefix under a lock, the others wait for it.
# Usage: wine_prefix.sh PREFIX_DIRECTORY
set -eu

prefix=${1:?usage: wine_prefix.sh PREFIX_DIRECTORY}
ready="$prefix/.qev-prefix-ready"
[ -f "$ready" ] && exit 0

mkdir -p "$(dirname "$prefix")"
# Wine takes only an absolute prefix.
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"
ready="$prefix/.qev-prefix-ready"
exec 9>"$prefix.lock"
if ! flock -w 600 9; then
    echo "wine_prefix.sh: gave up waiting for $prefix.lock" >&2
    exit 1
fi
[ -f "$ready" ] && exit 0

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
log="$prefix.log"
echo "wine_prefix.sh: creating the Wine prefix $prefix" >&2
if ! timeout 300 wineboot -i >"$log" 2>&1 ||
   ! timeout 120 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >>"$log" 2>&1; then
    echo "wine_prefix.sh: could not create $prefix; see $log" >&2
    exit 1
fi
# Let the server write the registry out before the prefix is declared ready.
timeout 120 wineserver -w || true
touch "$ready"
