#!/bin/sh
# Runs every test: the archive tool's tests natively and its fuzz target for a
# minute; for each build its unit tests and the end-to-end scenarios: win64
# under 64-bit Wine; win32 -- the one that ships -- emulated by qemu-i386, its
# scenarios where users run it (WoW64: 64-bit Wine handing it to qemu) and a
# short round trip in a pure 32-bit prefix; the release builds (reproducible,
# signed); the static checks of both programs. Sets up the machine first
# (Debian 12, as root). Ends with a pass/fail line per part and a verdict.
set -u
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
sh cmake/setup-machine.sh || exit 1
sh cmake/setup-emulation.sh || exit 1

results=""
failed=0
step() { # name, command...
    name=$1
    shift
    echo "== $name"
    t0=$(date +%s)
    if "$@"; then verdict=PASS; else verdict=FAIL; failed=1; fi
    results="$results\n  $verdict  $name ($(($(date +%s) - t0)) s)"
}

build() { # preset
    cmake --preset "$1" >/dev/null && cmake --build "build/$1" -j"$(nproc)"
}

EMU=${EMU:-/opt/tunewrangler-emu}
# The menu builder off: a saved shortcut would put a desktop entry into the
# host user's home.
export EMU WINEDEBUG=-all WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;mscoree,mshtml="
# One fresh prefix per architecture for the whole run, each with its 32-bit
# side made by the emulation's loaders (cmake/wine-prefix.sh says why).
export WINEPREFIX="$top/build/wineprefix-test" WINEPREFIX32="$top/build/wineprefix32-test"
fresh_prefixes() {
    sh cmake/wine-prefix.sh 64 "$WINEPREFIX" && sh cmake/wine-prefix.sh 32 "$WINEPREFIX32"
}
in_xvfb() { xvfb-run -a -s "-screen 0 1024x768x24" "$@"; }
release_test() { WINEPREFIX=$WINEPREFIX32 WINEARCH=win32 in_xvfb /usr/bin/python3 tests/release_test.py build/release-test; }
wow64() { in_xvfb /usr/bin/python3 tests/e2e/scenarios.py build/win32 --bits 32 --wow64; }
e2e32() { WINEPREFIX=$WINEPREFIX32 WINEARCH=win32 in_xvfb /usr/bin/python3 tests/e2e/scenarios.py build/win32 --bits 32 --only round_trip; }

step "host: archive tool, build and tests" sh -c \
    'cmake -S tools -B build/host >/dev/null && cmake --build build/host -j"$(nproc)" && ctest --test-dir build/host --output-on-failure'
step "host: fuzzing the archive check and walk (60 s)" sh tests/fuzz/run.sh
step "host: the set-up scripts against a mirror mid-sync" sh tests/setup_scripts_test.sh
step "win64: build" build win64
step "win32: build" build win32
# The same x86-64 installer without its flushes: the flush-order check must find that.
step "win64: build without flushes" sh -c 'cmake --preset win64 -B build/win64-flushless -DBENCH_WITHOUT_FLUSH=ON >/dev/null &&
    cmake --build build/win64-flushless -j"$(nproc)" --target installer'
step "wine: fresh 64-bit and 32-bit prefixes" fresh_prefixes
step "wine: a prefix without its 32-bit side is refused in one line" sh tests/prefix_check_test.sh "$WINEPREFIX"
step "win64: unit tests (64-bit Wine)" in_xvfb ctest --test-dir build/win64 --output-on-failure -LE static
step "win64: end-to-end scenarios (64-bit Wine)" in_xvfb /usr/bin/python3 tests/e2e/scenarios.py build/win64 \
    --flushless build/win64-flushless
step "win32: unit tests (32-bit Wine under qemu-i386)" in_xvfb ctest --test-dir build/win32 --output-on-failure -LE static
step "win32: end-to-end scenarios under WoW64 (64-bit Wine, qemu-i386)" wow64
step "win32: install and uninstall in a 32-bit-only prefix (qemu-i386)" e2e32
step "release: the same bytes twice, only the stamp moves, a signed release installs" release_test
step "win32: imports and resources of the shipped program" ctest --test-dir build/win32 --output-on-failure -L static
step "win64: imports and resources" ctest --test-dir build/win64 --output-on-failure -L static

/usr/lib/wine/wineserver64 -k 2>/dev/null
WINEPREFIX=$WINEPREFIX32 /usr/lib/wine/wineserver64 -k 2>/dev/null
echo "== Summary"
printf "$results\n"
if [ $failed = 0 ]; then echo "ALL PASSED"; else echo "SOME FAILED"; fi
exit $failed
