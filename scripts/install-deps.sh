#!/bin/sh
# Installs the Debian packages Quarv needs to build and test, only those missing.
# Works as root without sudo, and through sudo otherwise.
set -e
packages="cmake ninja-build g++ make pkg-config libsdl2-dev libimgui-dev libstb-dev liblzo2-dev
zlib1g-dev libgtest-dev libbenchmark-dev binutils-m68k-linux-gnu xvfb xauth dpkg-dev file
appstream desktop-file-utils"
[ "${QUARV_WITH_CLANG:-0}" = 1 ] && packages="$packages clang libclang-rt-dev"

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" = 0 ]; then sudo=""; else sudo="sudo"; fi
echo "Installing:$missing"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq $missing
