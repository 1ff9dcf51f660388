#!/bin/sh
# Makes a Wine prefix anew for the tests, with the emulation's loaders
# (setup-emulation.sh), and proves that its 32-bit side is there.
#
#   wine-prefix.sh 64 PREFIX         64-bit with its 32-bit side (WoW64), as 64-bit Windows
#   wine-prefix.sh 32 PREFIX         32-bit only
#   wine-prefix.sh check 64|32 PREFIX   only the proof: one line and exit 1 when it fails
#
# wineboot fills a prefix's 32-bit side by starting 32-bit processes through
# the loader folder it was itself started from. From /usr/lib/wine that is
# /usr/lib/wine/wine, which a kernel without 32-bit support cannot execute:
# nothing says so, syswow64 stays empty, and every 32-bit program then fails
# on kernel32.dll. The emulation's folder hands them to qemu-i386 instead, on
# any machine.
#
# Windows are left unmanaged (without a window manager Wine waits about 2 s
# whenever a window hides, each message box a scenario answers), and Wine's
# menu builder is off, so that a saved shortcut writes no desktop entry into
# the host user's home (WINEDLLOVERRIDES must say so too, for later runs).
set -u
EMU=${EMU:-/opt/tunewrangler-emu}
w=$EMU/usr/lib/wine

check() { # bits prefix
    dll=$2/drive_c/windows/$([ "$1" = 64 ] && echo syswow64 || echo system32)/kernel32.dll
    [ -f "$dll" ] && return 0
    echo "wine-prefix: $2 has no 32-bit side ($dll is missing): its 32-bit processes did not start; make it with the loaders in $w" >&2
    return 1
}

if [ "$1" = check ]; then
    check "$2" "$3"
    exit
fi
bits=$1
export WINEPREFIX="$2" WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;mscoree,mshtml="
if [ "$bits" = 64 ]; then
    wine() { "$w/wine64" "$@"; }
else
    wine() { WINEARCH=win32 "$w/wine-preloader" "$w/wine" "$@"; }
fi
/usr/lib/wine/wineserver64 -k 2>/dev/null
rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" || exit 1
wine wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver64 -w
check "$bits" "$WINEPREFIX" || exit 1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
    wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d "" /f >/dev/null 2>&1 &&
    /usr/lib/wine/wineserver64 -w
