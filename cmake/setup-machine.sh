#!/bin/sh
# Installs what building and testing need on Debian 12, as root, with apt-get.
# Only missing packages are installed; a machine that has them all is left alone.
set -e
. "$(dirname "$0")/apt.sh"
packages="cmake make g++ python3 git googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64
  binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine wine64 xvfb xauth xdotool imagemagick
  liblnk-utils python3-pefile procps util-linux strace clang libclang-rt-14-dev osslsigncode openssl"
missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    echo "== Installing missing packages:$missing"
    [ "$(id -u)" = 0 ] || { echo "need root to install packages"; exit 1; }
    apt_update
    apt_install $missing
else
    echo "== All needed packages are installed"
fi
