#!/bin/sh
# A Wine prefix whose 32-bit side did not come is refused where it is made,
# with one line that says what is missing; a sound one passes the same check.
# The bad one is made the way that fails on a kernel without 32-bit support
# (wineboot from the system's own loader folder), with such a kernel stood in
# for by cmake/without-32bit.py, so that it fails on any machine.
#
# usage: tests/prefix_check_test.sh SOUND_64_BIT_PREFIX
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
sound=$1
bad=$top/build/wineprefix-no32-test
failed=0
fail() { echo "FAIL: $*"; failed=1; }

out=$(EMU=/ python3 "$top/cmake/without-32bit.py" sh "$top/cmake/wine-prefix.sh" 64 "$bad" 2>&1)
rc=$?
echo "made the old way: exit $rc: $out"
[ $rc = 1 ] || fail "exit code $rc, not 1"
[ "$(printf '%s\n' "$out" | wc -l)" = 1 ] || fail "not one line"
case $out in
*"has no 32-bit side"*"syswow64/kernel32.dll is missing"*) ;;
*) fail "the line does not say what is missing" ;;
esac
[ ! -e "$bad/drive_c/windows/syswow64/kernel32.dll" ] || fail "the old way made a 32-bit side here"
sh "$top/cmake/wine-prefix.sh" check 64 "$sound" || fail "the sound prefix was refused"
WINEPREFIX=$bad /usr/lib/wine/wineserver64 -k 2>/dev/null
rm -rf "$bad"
[ $failed = 0 ] && echo "PASS: a prefix without its 32-bit side is refused in one line"
exit $failed
