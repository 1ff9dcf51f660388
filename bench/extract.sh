#!/bin/sh
# Benchmark (not a test): builds an installer that carries 256 MiB in 64 files,
# installs it under Wine, and prints the extraction time (from the trace's
# timestamps) beside the time cp takes to copy the same files in the same run.
# Both sides are timed the same way: the copy alone, then the sync that puts
# its data on disk, each after a sync that empties the queue of dirty pages.
# The archive's checksum, checked before the dialog opens, is timed apart
# from the same trace; it should add at most 20% to the extraction.
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
    # The installer needs its product's programs; these stand-ins are tiny.
fi
cmake --preset win64 -B "$work/build" -DPAYLOAD_DIR="$payload" >/dev/null
cmake --build "$work/build" -j"$(nproc)" --target installer driver >/dev/null

export WINEPREFIX=$work/prefix WINEDLLOVERRIDES="winedbg.exe=d;mscoree,mshtml="
[ -f "$WINEPREFIX/system.reg" ] || WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
target=$WINEPREFIX/drive_c/BenchInstall
rm -rf "$target" "$WINEPREFIX/drive_c/BenchCopy"
exe="Z:$(echo "$work/build/TunewranglerSetup.exe" | tr / '\\')"
echo "== Installing under Wine"
sync
# No product program in this payload: the final start fails quietly, and the
# driver only waits for the completion box and the exit.
WINEDEBUG=-all,+debugstr,+timestamp xvfb-run -a -s "-screen 0 1024x768x24" \
    /usr/lib/wine/wine64 "$work/build/e2e/driver.exe" start "$exe" dialog \
    set-edit 'C:\BenchInstall' uncheck click 1016 box "Install is complete" "You're" \
    exit 0 >"$work/driver.out" 2>"$work/trace.txt" || { cat "$work/driver.out"; exit 1; }
/usr/lib/wine/wineserver64 -w
s0=$(date +%s.%N)
sync
s1=$(date +%s.%N)

echo "== Copying the same files with cp"
sync
t0=$(date +%s.%N)
cp -r "$payload" "$WINEPREFIX/drive_c/BenchCopy"
t1=$(date +%s.%N)
sync
t2=$(date +%s.%N)

/usr/bin/python3 - "$work/trace.txt" "$s0" "$s1" "$t0" "$t1" "$t2" <<'PY'
import re, sys
at = {}
for line in open(sys.argv[1], errors="replace"):
    m = re.match(r"^(\d+\.\d+):.*OutputDebugStringA \"\d+ +(.*)\"$", line.rstrip())
    if m:
        body = m.group(2)
        for mark in ("{ DeGlom::Verify", "} DeGlom::Verify", "DeGlom path=", "uninstall info"):
            if body.startswith(mark):
                at.setdefault(mark, float(m.group(1)))
if len(at) != 4:
    sys.exit("the trace lacks " + ", ".join(k for k in ("{ DeGlom::Verify", "} DeGlom::Verify",
                                                      "DeGlom path=", "uninstall info") if k not in at))
s0, s1, t0, t1, t2 = map(float, sys.argv[2:])
extract, extract_sync = at["uninstall info"] - at["DeGlom path="], s1 - s0
copy, copy_sync = t1 - t0, t2 - t1
check = at["} DeGlom::Verify"] - at["{ DeGlom::Verify"]
print("256 MiB in 64 files")
print("  extraction %.3f s + sync %.3f s = %.3f s" % (extract, extract_sync, extract + extract_sync))
print("  cp -r      %.3f s + sync %.3f s = %.3f s" % (copy, copy_sync, copy + copy_sync))
print("  ratio %.2f without the syncs, %.2f with them" % (extract / copy,
      (extract + extract_sync) / (copy + copy_sync)))
print("  archive checksum %.3f s: %.0f%% of the extraction" % (check, 100 * check / extract))
PY
