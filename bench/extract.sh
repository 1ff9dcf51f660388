#!/bin/sh
# Benchmark (not a test): builds an installer that carries 256 MiB in 64 files,
# installs it under Wine, and prints the extraction time (from the trace's
# timestamps) beside the time cp -r takes to copy the same files in the same
# run. Both sides are timed the same way: the copy alone, then the sync that
# puts its data on disk, started the moment the copy ends (for the installer:
# when its trace says the extraction ended), each after a sync that empties the
# queue of dirty pages. The archive's checksum is timed apart: the same payload
# is installed by a build that skips it (BENCH_WITHOUT_ARCHIVE_SUM), and the
# checksum's cost is what the checked install takes more.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
sh cmake/setup-machine.sh >/dev/null
work=$top/build/bench
payload=$work/payload
mkdir -p "$payload"
if [ "$(ls "$payload" | wc -l)" != 64 ]; then
    echo "== Making 64 files of 4 MiB"
    for i in $(seq -w 1 64); do
        head -c 4194304 /dev/urandom >"$payload/member$i.bin"
    done
fi
for side in checked unchecked; do
    flag=OFF
    [ $side = unchecked ] && flag=ON
    cmake --preset win64 -B "$work/$side" -DPAYLOAD_DIR="$payload" \
        -DBENCH_WITHOUT_ARCHIVE_SUM=$flag >/dev/null
    cmake --build "$work/$side" -j"$(nproc)" --target installer driver >/dev/null
done

export WINEPREFIX=$work/prefix WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || sh cmake/wine-prefix.sh 64 "$WINEPREFIX" || exit 1

install() { # side: writes $work/$side.trace and $work/$side.sync (sync start and end)
    rm -rf "$WINEPREFIX/drive_c/BenchInstall"
    exe="Z:$(echo "$work/$1/TunewranglerSetup.exe" | tr / '\\')"
    sync
    # No product program in this payload: the final start fails quietly, and
    # the driver only waits for the completion box and the exit.
    WINEDEBUG=-all,+debugstr,+timestamp xvfb-run -a -s "-screen 0 1024x768x24" \
        /usr/lib/wine/wine64 "$work/$1/e2e/driver.exe" start "$exe" dialog \
        set-edit 'C:\BenchInstall' uncheck click 1016 box "Install is complete" "You're" \
        exit 0 >"$work/$1.out" 2>"$work/$1.trace" &
    driver=$!
    until grep -q '"[0-9]* *uninstall info"' "$work/$1.trace" 2>/dev/null; do
        kill -0 $driver 2>/dev/null || { cat "$work/$1.out"; exit 1; }
        sleep 0.01
    done
    s0=$(date +%s.%N)
    sync
    echo "$s0 $(date +%s.%N)" >"$work/$1.sync"
    wait $driver || { cat "$work/$1.out"; exit 1; }
    /usr/lib/wine/wineserver64 -w
}
echo "== Installing under Wine, with the checksum and without"
install checked
install unchecked

echo "== Copying the same files with cp"
rm -rf "$WINEPREFIX/drive_c/BenchCopy"
sync
t0=$(date +%s.%N)
cp -r "$payload" "$WINEPREFIX/drive_c/BenchCopy"
t1=$(date +%s.%N)
sync
t2=$(date +%s.%N)

/usr/bin/python3 - "$work" "$t0" "$t1" "$t2" <<'PY'
import re, sys
work = sys.argv[1]
t0, t1, t2 = map(float, sys.argv[2:])
MARKS = ("{ DeGlom::Verify", "} DeGlom::Verify", "DeGlom path=", "uninstall info")

def spans(side):
    at = {}
    for line in open("%s/%s.trace" % (work, side), errors="replace"):
        m = re.match(r"^(\d+\.\d+):.*OutputDebugStringA \"\d+ +(.*)\"$", line.rstrip())
        for mark in MARKS:
            if m and m.group(2).startswith(mark):
                at.setdefault(mark, float(m.group(1)))
    if len(at) != len(MARKS):
        sys.exit("%s: the trace lacks %s" % (side, [k for k in MARKS if k not in at]))
    s0, s1 = map(float, open("%s/%s.sync" % (work, side)).read().split())
    return (at["} DeGlom::Verify"] - at["{ DeGlom::Verify"],
            at["uninstall info"] - at["DeGlom path="], s1 - s0)

check, extract, esync = spans("checked")
_, bare, _ = spans("unchecked")
copy, csync = t1 - t0, t2 - t1
print("256 MiB in 64 files")
print("  extraction %.3f s + sync %.3f s = %.3f s" % (extract, esync, extract + esync))
print("  cp -r      %.3f s + sync %.3f s = %.3f s" % (copy, csync, copy + csync))
print("  ratio %.2f without the syncs, %.2f with them" % (extract / copy,
      (extract + esync) / (copy + csync)))
print("  checksum %.3f s before an extraction of %.3f s; unchecked, the extraction takes %.3f s:"
      % (check, extract, bare))
print("  the checksum adds %.0f%% to the extraction" % (100 * (check + extract - bare) / bare))
PY
