#!/usr/bin/env bash
# Installs the release's Debian package on a clean Debian system: a fresh
# chroot of this machine's Debian release made by debootstrap (minbase),
# `apt install ./PACKAGE.deb` inside it (the dependencies come from Debian's
# package mirror), then `qev-upgrade --version` and the manual page from
# it. Needs root and the mirror, and takes minutes: not part of CI, where
# tools/check_release.sh checks the package with lintian instead.
# Usage: tools/check_deb_install.sh [PACKAGE.deb]   (default: the one in dist/)
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/.." && pwd)
if [ $# -ge 1 ]; then
  deb=$1
else
  debs=("$root_dir"/dist/*.deb)
  [ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "check_deb_install: name the package: ${debs[*]}" >&2; exit 2; }
  deb=${debs[0]}
fi
[ "$(id -u)" -eq 0 ] || { echo "check_deb_install: needs root (debootstrap, chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || { echo "check_deb_install: debootstrap is missing (tools/install_dependencies.sh)" >&2; exit 2; }

suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
system=$(mktemp -d /var/tmp/qev-deb-install.XXXXXX)
chmod 755 "$system"  # apt fetches as its own user
cleanup() {
  mountpoint -q "$system/proc" && umount "$system/proc"
  rm -rf --one-file-system "$system"
}
trap cleanup EXIT

start=$(date +%s)
echo "debootstrap $suite (minbase) into $system"
debootstrap --variant=minbase "$suite" "$system" >"$system.log" 2>&1 || { tail -n 20 "$system.log"; exit 1; }
rm -f "$system.log"
mount -t proc proc "$system/proc"
cp "$deb" "$system/tmp/"
name=$(basename "$deb")
in_system() { chroot "$system" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive "$@"; }
if ! { in_system apt-get update -qq && in_system apt-get install -y -qq "/tmp/$name"; } >"$system/tmp/apt.log" 2>&1; then
  cat "$system/tmp/apt.log"
  exit 1
fi
echo "installed: $(in_system dpkg-query -W -f='${Package} ${Version}, depends on ${Depends}' qev-upgrade)"
in_system qev-upgrade --version
in_system test -f /usr/share/man/man1/qev-upgrade.1.gz
in_system qev-upgrade-two-stage --version 2>/dev/null || true
echo "check_deb_install: installed and ran in a fresh $suite system in $(( $(date +%s) - start )) s"
