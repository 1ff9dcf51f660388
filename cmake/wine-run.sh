#!/bin/sh
# Runs a Windows executable under 64-bit Wine (CTest's emulator). The test
# command makes one fresh prefix per run and exports WINEPREFIX; run by hand,
# a prefix beside the build is made on first use.
here=$(cd "$(dirname "$0")" && pwd)
: "${WINEPREFIX:=$here/../build/wineprefix}"
: "${WINEDEBUG:=-all}"
: "${WINE:=/usr/lib/wine/wine64}"
export WINEPREFIX WINEDEBUG
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-winedbg.exe=d;mscoree,mshtml=}"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    ( flock 9; [ -f "$WINEPREFIX/system.reg" ] || WINEDEBUG=-all "$WINE" wineboot -i >/dev/null 2>&1 ) 9>"$WINEPREFIX.lock"
fi
exec "$WINE" "$@"
