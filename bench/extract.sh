#!/bin/sh
# Benchmark (not a test): builds an installer that carries 256 MiB in 64 files,
# installs it under Wine, and prints the extraction time (from the trace's
# timestamps) beside the time cp takes to copy the same files in the same run.
# The ratio should stay under 1.5.
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
# No product program in this payload: the final start fails quietly, and the
# driver only waits for the completion box and the exit.
WINEDEBUG=-all,+debugstr,+timestamp xvfb-run -a -s "-screen 0 1024x768x24" \
    /usr/lib/wine/wine64 "$work/build/e2e/driver.exe" start "$exe" dialog \
    set-edit 'C:\BenchInstall' uncheck click 1016 box "Install is complete" "You're" \
    exit 0 >"$work/driver.out" 2>"$work/trace.txt" || { cat "$work/driver.out"; exit 1; }
/usr/lib/wine/wineserver64 -w

echo "== Copying the same files with cp"
sync
t0=$(date +%s.%N)
cp -r "$payload" "$WINEPREFIX/drive_c/BenchCopy"
sync
t1=$(date +%s.%N)

/usr/bin/python3 - "$work/trace.txt" "$t0" "$t1" <<'PY'
import re, sys
start = end = None
for line in open(sys.argv[1], errors="replace"):
    m = re.match(r"^(\d+\.\d+):.*OutputDebugStringA \"\d+ +(.*)\"$", line.rstrip())
    if not m:
        continue
    if m.group(2).startswith("DeGlom path="):
        start = float(m.group(1))
    elif m.group(2) == "uninstall info":
        end = float(m.group(1))
if start is None or end is None:
    sys.exit("no extraction in the trace")
extract, copy = end - start, float(sys.argv[3]) - float(sys.argv[2])
print("extraction %.2f s   cp %.2f s   ratio %.2f  (256 MiB in 64 files)" % (extract, copy, extract / copy))
PY
