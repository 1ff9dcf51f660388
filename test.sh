#!/bin/sh
# Runs every test: the host tool's tests natively, then the unit tests under
# 64-bit Wine, then the checks on the shipped 32-bit build.
# Sets up the machine first (Debian 12, as root). Ends with a pass/fail summary.
set -u
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
sh cmake/setup-machine.sh || exit 1

results=""
failed=0
step() { # name, command...
    name=$1
    shift
    echo "== $name"
    if "$@"; then
        results="$results\n  PASS  $name"
    else
        results="$results\n  FAIL  $name"
        failed=1
    fi
}

build() { # preset
    cmake --preset "$1" >/dev/null && cmake --build "build/$1" -j"$(nproc)"
}

# One fresh Wine prefix for the whole run.
export WINEPREFIX="$top/build/wineprefix-test"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree,mshtml="
fresh_prefix() {
    /usr/lib/wine/wineserver64 -k 2>/dev/null
    rm -rf "$WINEPREFIX" && mkdir -p "$WINEPREFIX" &&
        /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 && /usr/lib/wine/wineserver64 -w
}

step "host tool: build and test" sh -c \
    'cmake -S tools -B build/host >/dev/null && cmake --build build/host -j"$(nproc)" && ctest --test-dir build/host --output-on-failure'
step "win64: build" build win64
step "win32: build" build win32
step "wine: fresh prefix" fresh_prefix
step "win64: unit tests under Wine" xvfb-run -a -s "-screen 0 1024x768x24" \
    ctest --test-dir build/win64 --output-on-failure
step "win64: end-to-end scenarios under Wine" xvfb-run -a -s "-screen 0 1024x768x24" \
    /usr/bin/python3 tests/e2e/scenarios.py build/win64
step "win32: imports and resources of the shipped program" \
    ctest --test-dir build/win32 --output-on-failure -L static

/usr/lib/wine/wineserver64 -k 2>/dev/null
echo "== Summary"
printf "$results\n"
if [ $failed = 0 ]; then echo "ALL PASSED"; else echo "SOME FAILED"; fi
exit $failed
