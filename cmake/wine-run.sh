#!/bin/sh
# Runs a Windows executable under Wine (CTest's emulator).
#   wine-run.sh 64 prog.exe args...   64-bit Wine, prefix $WINEPREFIX
#   wine-run.sh 32 prog.exe args...   32-bit Wine under qemu-i386 (set up by
#                                     setup-emulation.sh), prefix $WINEPREFIX32
# The test command makes fresh prefixes per run and exports both; run by
# hand, prefixes beside the build are made on first use.
here=$(cd "$(dirname "$0")" && pwd)
bits=$1
shift
EMU=${EMU:-/opt/tunewrangler-emu}
if [ "$bits" = 32 ]; then
    WINEPREFIX=${WINEPREFIX32:-$here/../build/wineprefix32}
    WINEARCH=win32
    export WINEARCH
    wine() { "$EMU/usr/lib/wine/wine-preloader" "$EMU/usr/lib/wine/wine" "$@"; }
else
    : "${WINEPREFIX:=$here/../build/wineprefix}"
    wine() { /usr/lib/wine/wine64 "$@"; }
fi
: "${WINEDEBUG:=-all}"
export WINEPREFIX WINEDEBUG
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winemenubuilder.exe=d;winedbg.exe=d;mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] || sh "$here/wine-prefix.sh" "$bits" "$WINEPREFIX"
    ) 9>"$WINEPREFIX.lock"
fi
wine "$@"
