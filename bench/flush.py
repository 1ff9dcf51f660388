#!/usr/bin/python3
"""What the flushes cost: the time from the Install click to "Install is
complete" for a fresh install and for an upgrade over an older build, by the
x86-64 build and by the same build without flushes (BENCH_WITHOUT_FLUSH),
alternated in one run in one fresh prefix; prints each run, the medians and
their ratio. Times come from the trace's own time stamps.

usage: bench/flush.py [ROUNDS]   (default 5; as root, like the tests)"""
import os
import re
import statistics
import subprocess
import sys

top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(top, "tests", "e2e"))
os.chdir(top)
WORK = os.path.join(top, "build", "bench-flush")
os.environ.update(WINEPREFIX=os.path.join(WORK, "prefix"), WINEDEBUG="-all",
                  WINEDLLOVERRIDES="winemenubuilder.exe=d;winedbg.exe=d;mscoree,mshtml=")
import scenarios  # noqa: E402  (after the prefix is in the environment)

SIDES = {"flushed": os.path.join(top, "build", "win64"), "unflushed": os.path.join(WORK, "unflushed")}


def build():
    for side, d in SIDES.items():
        flag = "OFF" if side == "flushed" else "ON"
        subprocess.run(["cmake", "--preset", "win64", "-B", d, "-DBENCH_WITHOUT_FLUSH=" + flag],
                       check=True, stdout=subprocess.DEVNULL)
        subprocess.run(["cmake", "--build", d, "-j%d" % os.cpu_count(), "--target", "installer", "driver"],
                       check=True, stdout=subprocess.DEVNULL)


def timed_install(w, installer):
    """Seconds from the click (the handler's first line) to the completion box."""
    env = dict(os.environ, WINEDEBUG="-all,+debugstr,+timestamp")
    p = subprocess.run([*w.wine, os.path.join(w.build, "e2e", "driver.exe"), "start", installer, "dialog",
                        "click", "1016", "box", "Install is complete", "You're", "product", "Tunewrangler",
                        "exit", "0"], capture_output=True, text=True, errors="replace", env=env, timeout=300)
    w.prefix.flush()
    stamps = {}
    for line in p.stderr.splitlines():
        m = re.match(r'^(\d+\.\d+):.*OutputDebugStringA "\d* *(\{ SETUP::Inst|\{ Hey)"', line)
        if m:
            stamps.setdefault(m.group(2), float(m.group(1)))
    if p.returncode or len(stamps) != 2:
        sys.exit("the install failed: %s" % p.stdout[-500:])
    return stamps["{ Hey"] - stamps["{ SETUP::Inst"]


def main():
    if not os.environ.get("DISPLAY"):  # Wine needs one for the dialog: Xvfb's
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1024x768x24", sys.executable, *sys.argv])
    rounds = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    build()
    subprocess.run(["sh", "cmake/wine-prefix.sh", "64", os.environ["WINEPREFIX"]], check=True)
    w = scenarios.World(SIDES["flushed"], 64)
    times = {(kind, side): [] for kind in ("fresh install", "upgrade") for side in SIDES}
    for r in range(rounds):
        for side, d in (list(SIDES.items()) if r % 2 == 0 else list(SIDES.items())[::-1]):
            installer = w.win(os.path.join(d, "TunewranglerSetup.exe"))
            w.clean()
            times[("fresh install", side)].append(timed_install(w, installer))
            scenarios.install_older(w)
            times[("upgrade", side)].append(timed_install(w, installer))
    for kind in ("fresh install", "upgrade"):
        with_, without = (statistics.median(times[(kind, s)]) for s in SIDES)
        print("%-14s with flushes %6.3f s, without %6.3f s (median of %d): ratio %.2f" %
              (kind, with_, without, rounds, with_ / without))
        for s in SIDES:
            print("    %-9s %s" % (s, " ".join("%.3f" % t for t in times[(kind, s)])))
    subprocess.run(["/usr/lib/wine/wineserver64", "-k"], stderr=subprocess.DEVNULL)


if __name__ == "__main__":
    main()
