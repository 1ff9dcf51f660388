#!/bin/sh
# Builds the installer from the demo product (both architectures) and opens
# the shipped 32-bit one under Wine (32-bit Wine, emulated by qemu-i386 where
# the machine cannot run 32-bit code). Without a display it runs in Xvfb,
# takes a screenshot of the dialog (build/setup-dialog.png) and closes it.
set -e
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
sh cmake/setup-machine.sh
sh cmake/setup-emulation.sh
for preset in win32 win64; do
    echo "== Building $preset"
    cmake --preset $preset >/dev/null
    cmake --build build/$preset -j"$(nproc)"
done
/usr/bin/python3 bench/size.py build/win32 build/win64 || true

EMU=${EMU:-/opt/tunewrangler-emu}
export EMU WINEPREFIX="${WINEPREFIX:-$top/build/wineprefix32-try}" WINEARCH=win32
export WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;mscoree,mshtml="
export WINEDEBUG="${WINEDEBUG:--all}"
wine32="$EMU/usr/lib/wine/wine-preloader $EMU/usr/lib/wine/wine"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== Making a 32-bit Wine prefix in $WINEPREFIX"
    sh cmake/wine-prefix.sh 32 "$WINEPREFIX"
else
    sh cmake/wine-prefix.sh check 32 "$WINEPREFIX"
fi
exe=build/win32/TunewranglerSetup.exe
if [ -n "${DISPLAY:-}" ]; then
    echo "== Opening $exe (exit code follows)"
    $wine32 "$exe"
    echo "exit code $?"
else
    echo "== No display: opening $exe in Xvfb for a screenshot"
    xvfb-run -a -s "-screen 0 1024x768x24" sh -c '
        $2 "$1" &
        for i in $(seq 240); do
            win=$(xdotool search --name "^SETUP Tunewrangler$" 2>/dev/null | head -n 1)
            [ -n "$win" ] && break
            sleep 0.5
        done
        [ -n "$win" ] || { echo "the dialog did not appear"; exit 1; }
        xdotool mousemove 0 0 # away from the controls, so no tip covers them
        sleep 1
        eval "$(xdotool getwindowgeometry --shell "$win")"
        import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" build/setup-dialog.png
        echo "screenshot: build/setup-dialog.png (${WIDTH}x${HEIGHT})"
        /usr/lib/wine/wineserver64 -k' sh "$exe" "$wine32"
fi
