#!/bin/sh
# Runs the README's two commands as a fresh Debian 12 machine of this
# project's kind runs them, without one: a new root made by debootstrap, a
# clean clone of this checkout's HEAD copied in, then ./try.sh and ./test.sh
# in it under chroot. Nothing installed, registered or left by hand on this
# machine helps there; the kernel is this machine's, and like the fresh
# machines of this kind it executes no 32-bit code (cmake/without-32bit.py
# takes that away where the kernel can; --with-32bit keeps it). Not run by CI.
#
# usage: cmake/fresh-machine.sh [--with-32bit] [ROOT]   (root: /var/tmp/tunewrangler-fresh)
# As root. Prints each part's time; the outputs stay in ROOT/root/*.log.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
no32="python3 $top/cmake/without-32bit.py"
if [ "${1:-}" = --with-32bit ]; then
    no32=""
    shift
fi
root=${1:-/var/tmp/tunewrangler-fresh}
[ "$(id -u)" = 0 ] || { echo "fresh-machine: needs root (debootstrap, mount, chroot)"; exit 1; }
. "$top/cmake/apt.sh"

# A handler the host registered for 32-bit programs would run them inside the
# root as well (the kernel's table is one for all): not what a fresh machine has.
for h in /proc/sys/fs/binfmt_misc/*; do
    if [ -f "$h" ] && grep -q '^enabled' "$h" && grep -q '^magic 7f454c46010101' "$h"; then
        echo "fresh-machine: $h runs 32-bit programs for every root of this machine;" \
            "switch it off first (echo 0 > $h)"
        exit 1
    fi
done

unmount() { # every mount below the root, the deepest first
    awk -v r="$root/" 'index($2, r) == 1 { print $2 }' /proc/self/mounts | sort -r |
        while read -r m; do
            umount -l "$m" || true
        done
}
trap unmount EXIT
trap 'exit 1' INT TERM
unmount
rm -rf "$root"
if ! command -v debootstrap >/dev/null; then
    apt_update
    apt_install debootstrap
fi

t0=$(date +%s)
echo "== A fresh Debian 12 root in $root"
debootstrap --variant=minbase bookworm "$root" "$APT_MIRROR" >"$root.debootstrap.log" 2>&1 || {
    tail -n 5 "$root.debootstrap.log"
    exit 1
}
# The sources a new machine of this kind has: main, its updates and security.
cat >"$root/etc/apt/sources.list" <<SOURCES
deb $APT_MIRROR bookworm main
deb $APT_MIRROR bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
SOURCES
cp /etc/resolv.conf "$root/etc/resolv.conf"
t1=$(date +%s)
echo "   made in $((t1 - t0)) s"

mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs tmpfs "$root/dev/shm"
mount -t tmpfs tmpfs "$root/tmp"

echo "== A clean clone of $(git -C "$top" rev-parse --short HEAD)"
git clone -q --no-hardlinks "$top" "$root/root/tunewrangler"
run() { # log, command: in the root, with a new machine's environment
    env -i HOME=/root PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
        LANG=C.UTF-8 TERM=dumb $no32 chroot "$root" sh -c "cd /root/tunewrangler && $2" \
        >"$root/root/$1" 2>&1
}
status=0
for cmd in try test; do
    s=$(date +%s)
    echo "== ./$cmd.sh"
    if run $cmd.log "./$cmd.sh"; then verdict=passed; else verdict=FAILED; status=1; fi
    echo "   $verdict in $(($(date +%s) - s)) s; the last lines of $root/root/$cmd.log:"
    tail -n 22 "$root/root/$cmd.log" | sed 's/^/   | /'
done
echo "== All in $(($(date +%s) - t0)) s"
exit $status
