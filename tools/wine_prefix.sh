#!/bin/sh
# Creates the Wine prefix the cross-built Windows programs run in, once:
# wineboot under a time limit, without the Mono and Gecko install prompts,
# with Wine's crash dialog switched off so that a crashing test ends instead
# of waiting for a click, and with a virtual desktop of 1024 x 768 so that
# windows get Wine's own frames and captions on a bare X server (Xvfb, no
# window manager) and the screen size does not depend on the X server. Safe to run from several tests at once: the
# first one creates the prefix under a lock, the others wait for it.
# Usage: wine_prefix.sh PREFIX_DIRECTORY
set -eu

prefix=${1:?usage: wine_prefix.sh PREFIX_DIRECTORY}
# Wine's fixed addresses need address randomization off: see wine_run.sh.
# (0x40000: ADDR_NO_RANDOMIZE, inherited by every process started from here.)
if [ $((0x$(cat /proc/self/personality) & 0x40000)) -eq 0 ] && setarch "$(uname -m)" -R true 2>/dev/null; then
    exec setarch "$(uname -m)" -R "$0" "$@"
fi
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
# The lock's descriptor is closed for Wine's programs: the server they start
# could outlive this script and would hold the lock.
setting() {
    timeout 120 wine reg add "$1" /v "$2" /t "$3" /d "$4" /f >>"$log" 2>&1 9>&-
}
if ! timeout 300 wineboot -i >"$log" 2>&1 9>&- ||
   ! setting 'HKCU\Software\Wine\WineDbg' ShowCrashDialog REG_DWORD 0 ||
   ! setting 'HKCU\Software\Wine\Explorer' Desktop REG_SZ Default ||
   ! setting 'HKCU\Software\Wine\Explorer\Desktops' Default REG_SZ 1024x768; then
    echo "wine_prefix.sh: could not create $prefix; see $log" >&2
    exit 1
fi
# Let the server write the registry out before the prefix is declared ready.
timeout 120 wineserver -w 9>&- || true
touch "$ready"
