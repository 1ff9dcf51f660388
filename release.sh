#!/bin/sh
# Builds the shipped i686 installer in a fresh build folder and writes it to
# dist/ as TunewranglerSetup-<version>.exe (the version from the payload's
# version.txt), with a SHA256SUMS file beside it; prints its size and hash.
# With a certificate in the environment (SIGN_CERT + SIGN_KEY, or SIGN_PKCS12
# + SIGN_PASSWORD; SIGN_TIMESTAMP_URL optional) the installer and the
# UNPLANT.exe it carries are signed and verified first (cmake/sign.sh).
# PAYLOAD_DIR builds from your product folder; BUILD_DIR and DIST_DIR say
# where to build (build/release) and where to write (dist).
set -eu
top=$(cd "$(dirname "$0")" && pwd)
cd "$top"
sh cmake/setup-machine.sh >/dev/null || exit 1
sh cmake/setup-emulation.sh >/dev/null || exit 1

build=${BUILD_DIR:-$top/build/release}
dist=${DIST_DIR:-$top/dist}
signing=OFF
if [ -n "${SIGN_PKCS12:-}" ] || { [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ]; }; then
    signing=ON
fi
rm -rf "$build"
cmake --preset win32 -B "$build" -DSIGN_UNPLANT=$signing ${PAYLOAD_DIR:+-DPAYLOAD_DIR="$PAYLOAD_DIR"} >/dev/null
cmake --build "$build" -j"$(nproc)" --target installer >/dev/null
exe=$build/TunewranglerSetup.exe
version=$(tr -d '\r\n' <"${PAYLOAD_DIR:-$build/demo-product}/version.txt")
if [ $signing = ON ]; then
    sh cmake/sign.sh "$exe"
else
    echo "Unsigned: no certificate given (SIGN_CERT and SIGN_KEY, or SIGN_PKCS12)."
fi
/usr/bin/python3 bench/size.py "$build"

name=TunewranglerSetup-$version.exe
mkdir -p "$dist"
cp "$exe" "$dist/$name"
(cd "$dist" && sha256sum "$name" >SHA256SUMS)
echo "$dist/$name: $(stat -c %s "$dist/$name") bytes"
echo "sha256 $(cut -d' ' -f1 "$dist/SHA256SUMS")"
