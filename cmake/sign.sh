#!/bin/sh
# Signs a program in place with Authenticode (SHA-256) and verifies the
# signature against the signing certificate. The certificate comes from the
# environment: SIGN_CERT and SIGN_KEY (PEM files), or SIGN_PKCS12 (a .p12/.pfx
# file) with SIGN_PASSWORD; SIGN_TIMESTAMP_URL, when set, adds an RFC 3161
# time stamp, so the signature outlives the certificate.
#   usage: cmake/sign.sh FILE
set -eu
file=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [ -n "${SIGN_PKCS12:-}" ]; then
    set -- -pkcs12 "$SIGN_PKCS12" -pass "${SIGN_PASSWORD:-}"
    # The certificate alone, to check the signature against.
    openssl pkcs12 -in "$SIGN_PKCS12" -passin "pass:${SIGN_PASSWORD:-}" -nokeys -clcerts \
        -out "$work/cert.pem"
elif [ -n "${SIGN_CERT:-}" ] && [ -n "${SIGN_KEY:-}" ]; then
    set -- -certs "$SIGN_CERT" -key "$SIGN_KEY"
    cp "$SIGN_CERT" "$work/cert.pem"
else
    echo "sign.sh: no certificate: set SIGN_CERT and SIGN_KEY, or SIGN_PKCS12" >&2
    exit 1
fi
if [ -n "${SIGN_TIMESTAMP_URL:-}" ]; then
    set -- "$@" -ts "$SIGN_TIMESTAMP_URL"
fi
osslsigncode sign "$@" -h sha256 -n Tunewrangler -in "$file" -out "$work/signed" >"$work/log" ||
    { cat "$work/log" >&2; exit 1; }
osslsigncode verify -in "$work/signed" -CAfile "$work/cert.pem" >"$work/verify" 2>&1 ||
    { cat "$work/verify" >&2; echo "sign.sh: the signature of $file does not verify" >&2; exit 1; }
cp "$work/signed" "$file"
echo "signed and verified: $file"
