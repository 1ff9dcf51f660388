# Package installs that survive a Debian mirror in the middle of a sync;
# sourced by the set-up scripts (POSIX sh, as root).
#
# During a sync one list (bookworm-security's i386 Packages, say) can fail to
# download with "File has unexpected size ... Mirror sync in progress?". apt
# then goes on with the lists it has, and the i386 twins of amd64 packages
# that stand at security versions cannot be resolved ("generated breaks").
# So: a failed update is tried once more, then only warned about; an install
# that cannot be resolved is tried again from the main and updates suites
# alone (a private sources list, as the qemu download uses), which brings the
# amd64 twins to the versions those suites hold, putting back whatever that
# had to remove on the way; when that fails too, one line says what and why.

APT_MIRROR=${APT_MIRROR:-http://deb.debian.org/debian}
APT_RETRY_SECONDS=${APT_RETRY_SECONDS:-20}
export DEBIAN_FRONTEND=noninteractive

apt_warn() {
    echo "warning: $*" >&2
}

apt_update() {
    apt-get update -qq && return 0
    apt_warn "a package list failed to download (the mirror may be mid-sync); trying again in ${APT_RETRY_SECONDS} s"
    sleep "$APT_RETRY_SECONDS"
    apt-get update -qq && return 0
    apt_warn "a package list is still missing: going on with the lists there are"
    return 0
}

apt_installed() { # the installed packages, one a line
    dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' 2>/dev/null | awk '$1 == "ii" { print $2 }' | sort
}

# apt_install PACKAGE... : installs them, falling back to the main suites.
apt_install() {
    log=$(mktemp)
    if apt-get install -y -qq "$@" >"$log" 2>&1; then
        rm -f "$log"
        return 0
    fi
    apt_warn "could not install $* with every suite: $(grep '^E:' "$log" | tail -n 1)"
    apt_warn "trying again from the main and updates suites alone"
    priv=$(mktemp -d)
    mkdir -p "$priv/lists/partial"
    keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    for suite in bookworm bookworm-updates; do
        echo "deb [signed-by=$keyring] $APT_MIRROR $suite main"
    done >"$priv/sources.list"
    opts="-o Dir::Etc::SourceList=$priv/sources.list -o Dir::Etc::SourceParts=/dev/null
      -o Dir::State::Lists=$priv/lists"
    apt_installed >"$priv/before"
    ok=0
    # shellcheck disable=SC2086 # opts is a list of words
    if apt-get $opts update -qq >"$log" 2>&1 &&
        apt-get $opts install -y -qq "$@" >>"$log" 2>&1; then
        # What the resolver removed to bring the twins in line (wine64 for
        # wine32:i386, say) comes back at the versions of those suites.
        apt_installed >"$priv/after"
        removed=$(comm -23 "$priv/before" "$priv/after" | tr '\n' ' ')
        if [ -z "$removed" ] || apt-get $opts install -y -qq $removed >>"$log" 2>&1; then
            ok=1
        fi
    fi
    if [ $ok = 0 ]; then
        echo "setup: could not install $* ($(grep '^E:' "$log" | tail -n 1 | cut -c1-160)); the package mirror may be mid-sync: run the command again in an hour, or after 'apt-get update' succeeds" >&2
    fi
    rm -rf "$priv" "$log"
    [ $ok = 1 ]
}
