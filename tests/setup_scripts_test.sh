#!/bin/sh
# The set-up scripts against a package mirror in the middle of a sync, with
# apt-get and dpkg-query replaced on PATH by stand-ins that behave as apt did
# then: a list that fails to download, an install that cannot be resolved
# with every suite, one that works from the main and updates suites alone
# but removes a package on the way. Needs no network and no root.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}

mkdir -p "$work/bin"
# State: $work/installed (one package a line), every apt-get call in
# $work/calls, and how apt behaves in $work/mode: "sync" (the mirror mid-sync),
# "broken" (nothing works).
cat >"$work/bin/dpkg-query" <<'SH'
#!/bin/sh
case "$*" in
*binary:Package*) sed 's/^/ii /' "$STATE/installed" ;;
*) pkg=$(eval echo \${$#}); grep -qx "$pkg" "$STATE/installed" && echo "install ok installed" ;;
esac
exit 0
SH
cat >"$work/bin/apt-get" <<'SH'
#!/bin/sh
echo "$*" >>"$STATE/calls"
mode=$(cat "$STATE/mode")
private=no
case "$*" in *Dir::Etc::SourceList=*)
    private=yes
    list=$(echo "$*" | sed 's/.*Dir::Etc::SourceList=\([^ ]*\).*/\1/')
    cp "$list" "$STATE/private.list" ;;
esac
case "$*" in
*update*)
    [ $private = yes ] && [ "$mode" != broken ] && exit 0
    echo "E: Failed to fetch http://deb.debian.org/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?"
    exit 100 ;;
*install*)
    if [ $private = no ] || [ "$mode" = broken ]; then
        echo "E: Error, pkgProblemResolver::Resolve generated breaks, this may be caused by held packages."
        exit 100
    fi
    # From the main suites: the twins come in line, and wine64 goes on the way.
    for p in $(echo "$*" | tr ' ' '\n' | grep -v -e '^-' -e '=' -e '^install$'); do
        echo "$p" >>"$STATE/installed"
    done
    grep -vx wine64 "$STATE/installed" >"$STATE/left" || true
    case "$*" in *" wine64"*) ;; *) cp "$STATE/left" "$STATE/installed" ;; esac
    sort -u -o "$STATE/installed" "$STATE/installed"
    exit 0 ;;
esac
exit 0
SH
chmod +x "$work/bin/dpkg-query" "$work/bin/apt-get"
export STATE=$work PATH="$work/bin:$PATH" APT_RETRY_SECONDS=0

packages=$(sed -n '/^packages="/,/"$/p' "$top/cmake/setup-machine.sh" | tr -d '"' | sed 's/^packages=//')

# A machine that has everything: no apt call at all.
echo "$packages" | tr ' ' '\n' | grep . | sort >"$work/installed"
echo sync >"$work/mode"
: >"$work/calls"
sh "$top/cmake/setup-machine.sh" >"$work/out" 2>&1 || fail "setup-machine failed on a complete machine"
[ -s "$work/calls" ] && fail "apt-get was called on a complete machine: $(cat "$work/calls")"

# The mirror mid-sync: the update warns and goes on, the install is made from
# the main and updates suites, and what it removed comes back.
echo "wine64" >"$work/installed"
: >"$work/calls"
(. "$top/cmake/apt.sh" && apt_update && apt_install wine32:i386) >"$work/out" 2>&1 ||
    fail "the install did not survive the mirror: $(cat "$work/out")"
[ "$(grep -c '^update' "$work/calls")" = 2 ] || fail "the failed update was not tried exactly twice"
grep -q "going on with the lists there are" "$work/out" || fail "no warning for the missing list"
grep -q "SourceList=.*install -y -qq wine32:i386" "$work/calls" ||
    fail "no retry from the main suites: $(cat "$work/calls")"
grep -q " bookworm main" "$work/private.list" && grep -q " bookworm-updates main" "$work/private.list" &&
    ! grep -q security "$work/private.list" || fail "private sources: $(cat "$work/private.list")"
grep -q "SourceList=.*install -y -qq wine64" "$work/calls" || fail "wine64, removed on the way, did not come back"
grep -qx wine32:i386 "$work/installed" && grep -qx wine64 "$work/installed" ||
    fail "installed: $(tr '\n' ' ' <"$work/installed")"

# Nothing works: one line says what failed and what to try, and the script fails.
echo broken >"$work/mode"
: >"$work/installed"
if (. "$top/cmake/apt.sh" && apt_install wine32:i386) >"$work/out" 2>&1; then
    fail "a failed install reported success"
fi
[ "$(grep -c '^setup: could not install wine32:i386 .*mid-sync.*again' "$work/out")" = 1 ] ||
    fail "the giving-up line: $(cat "$work/out")"

if [ $failed = 0 ]; then echo "set-up scripts: ok"; fi
exit $failed
