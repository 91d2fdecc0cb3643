#!/usr/bin/env bash
# Installs, from Debian's packages, everything the build, the tests and the
# demo need. Installs only what is missing, so a second run costs nothing.
set -euo pipefail

packages=(
  cmake ninja-build g++ make python3
  googletest libgtest-dev libgmock-dev
  libncurses-dev tmux
  mingw-w64 g++-mingw-w64-x86-64 wine wine64 xvfb imagemagick
  clang libclang-rt-14-dev
  iproute2 util-linux procps
  dpkg-dev lintian git debootstrap
  curl busybox atftp tftp-hpa tftpd-hpa
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
