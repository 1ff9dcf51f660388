#!/bin/sh
# Builds the installer for both architectures.
set -e
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
sh cmake/setup-machine.sh
for preset in win32 win64; do
    echo "== Building $preset"
    cmake --preset $preset >/dev/null
    cmake --build build/$preset -j"$(nproc)"
done
ls -l build/win32/TunewranglerSetup.exe build/win64/TunewranglerSetup.exe
