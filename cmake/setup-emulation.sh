#!/bin/sh
# Sets up 32-bit Wine under user-mode emulation, for running the i686 build
# on a machine that cannot execute 32-bit code. Cached in $EMU (default
# /opt/tunewrangler-emu); a machine that has it is left alone.
#
#   - wine32:i386 beside wine64 (dpkg --add-architecture i386);
#   - qemu-i386 from Debian trixie's qemu-user (bookworm's 7.2 cannot carry
#     Wine), fetched with a private sources list and unpacked into $EMU only;
#   - a private loader folder: Wine starts every 32-bit process through
#     "<its folder>/wine-preloader", so there a script hands it to qemu.
#
# Then: WINEARCH=win32 $EMU/usr/lib/wine/wine-preloader $EMU/usr/lib/wine/wine prog.exe
set -e
. "$(dirname "$0")/apt.sh"
EMU=${EMU:-/opt/tunewrangler-emu}
if [ -x "$EMU/usr/lib/wine/wine-preloader" ] && [ -x "$EMU/qemu-i386" ]; then
    echo "== 32-bit emulation is set up in $EMU"
    exit 0
fi
[ "$(id -u)" = 0 ] || { echo "need root to set up the emulation"; exit 1; }
if ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q "install ok installed"; then
    echo "== Installing wine32:i386"
    dpkg --add-architecture i386
    apt_update
    apt_install wine32:i386
fi

echo "== Fetching qemu-i386 from Debian trixie's qemu-user"
dl=$(mktemp -d)
mkdir -p "$dl/lists/partial" "$dl/cache/archives/partial"
echo "deb http://deb.debian.org/debian trixie main" >"$dl/sources.list"
apt_private="-o Dir::Etc::SourceList=$dl/sources.list -o Dir::Etc::SourceParts=/dev/null
  -o Dir::State::Lists=$dl/lists -o Dir::Cache=$dl/cache -o APT::Architectures::=amd64"
apt-get $apt_private update -qq || { sleep "$APT_RETRY_SECONDS"; apt-get $apt_private update -qq; } || {
    echo "setup: could not read Debian trixie's package list for qemu-user; the mirror may be mid-sync: run the command again in an hour" >&2
    exit 1
}
(cd "$dl" && apt-get $apt_private download qemu-user/trixie >/dev/null 2>&1)
mkdir -p "$EMU"
dpkg-deb --fsys-tarfile "$dl"/qemu-user_*.deb | tar -x -C "$dl" ./usr/bin/qemu-i386
cp "$dl/usr/bin/qemu-i386" "$EMU/qemu-i386"
rm -rf "$dl"

echo "== Making the private Wine loader folder"
w=$EMU/usr/lib/wine
mkdir -p "$w"
# Real copies: a loader finds its libraries relative to where it really is.
cp /usr/lib/wine/wine /usr/lib/wine/wine64 "$w/"
ln -sfn /usr/share "$EMU/usr/share"
ln -sfn /usr/bin "$EMU/usr/bin"
ln -sfn /usr/lib/i386-linux-gnu "$EMU/usr/lib/i386-linux-gnu"
ln -sfn /usr/lib/x86_64-linux-gnu "$EMU/usr/lib/x86_64-linux-gnu"
cat >"$w/wine-preloader" <<SH
#!/bin/sh
# Every 32-bit Wine process starts here: run its loader under qemu.
loader=\$1
shift
exec "$EMU/qemu-i386" "\$loader" "\$@"
SH
cat >"$w/wine64-preloader" <<'SH'
#!/bin/sh
# 64-bit processes run natively.
exec "$@"
SH
cat >"$w/wineserver" <<'SH'
#!/bin/sh
exec /usr/lib/wine/wineserver64 -p0 "$@"
SH
chmod +x "$w/wine-preloader" "$w/wine64-preloader" "$w/wineserver"
echo "== 32-bit emulation is set up in $EMU"
