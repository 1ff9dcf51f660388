#!/usr/bin/python3
"""End-to-end scenarios: the real TunewranglerSetup.exe, worked as a user
would by driver.exe under Wine and Xvfb, then the machine's state read back
independently (registry files, drive C:, lnkinfo, the trace).

usage: scenarios.py BUILD_DIR [--bits 64|32] [--only NAME,...]
Needs WINEPREFIX (a booted prefix; for --bits 32 one made with WINEARCH=win32)
and DISPLAY. The 32-bit build runs under qemu-i386 (cmake/setup-emulation.sh)."""
import argparse
import filecmp
import glob
import os
import shutil
import subprocess
import sys
import time

from wineenv import REG_DWORD, REG_EXPAND_SZ, REG_SZ, Prefix, lnkinfo, trace

UNINSTALL = "Software\\Microsoft\\Windows\\CurrentVersion\\UnInstall\\Tunewrangler"
PRODUCT = "Software\\Tunewrangler"
PF = "C:\\Program Files\\Tunewrangler"
START = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Tunewrangler"
PROGRAMS = ["Tunewrangler", "Fendrick", "Portmaven", "Sondly", "UNPLANT"]
OUR_CLASSES = [".mid", ".kar", ".rmi", ".wav", ".sf2", ".dls", ".mod", "midfile", "wavfile",
               "sf2file", "dlsfile", "modfile", "txtfile\\shell\\Play_with_Tunewrangler",
               "Directory\\shell\\Tunewrangler_PlaySongs", "Directory\\shell\\Tunewrangler_PlayWAVs"
               ] + ["Applications\\%s.exe" % a for a in
                    ["Tunewrangler", "Fendrick", "Pressvox", "Sondly", "Bankrift", "Lorrow",
                     "Quennet"]]


class Failed(Exception):
    pass


class World:
    def __init__(self, build, bits):
        self.build = os.path.abspath(build)
        if bits == 32:
            emu = os.environ.get("EMU", "/opt/tunewrangler-emu") + "/usr/lib/wine/"
            self.wine = [emu + "wine-preloader", emu + "wine"]
        else:
            self.wine = ["/usr/lib/wine/wine64"]
        self.prefix = Prefix(os.environ["WINEPREFIX"])
        self.installer = self.win(os.path.join(self.build, "TunewranglerSetup.exe"))
        self.product = os.path.join(self.build, "demo-product")
        self.problems = []

    @staticmethod
    def win(host_path):
        return "Z:" + host_path.replace("/", "\\")

    def drive(self, *steps, expect_pass=True):
        """Runs the driver with steps; returns (stdout, trace lines)."""
        env = dict(os.environ, WINEDEBUG="-all,+debugstr")
        p = subprocess.run([*self.wine, os.path.join(self.build, "e2e", "driver.exe"), *steps],
                           capture_output=True, text=True, env=env, timeout=300,
                           errors="replace")
        self.prefix.flush()
        out = p.stdout.replace("\r\n", "\n")
        if expect_pass and p.returncode != 0:
            raise Failed("driver: " + " / ".join(out.strip().splitlines()[-3:]) if out.strip() else
                         "driver failed: " + p.stderr[-2000:])
        return out, trace(p.stderr)

    def clean(self):
        """No earlier installation: no uninstall entry, folders or classes."""
        steps = ["regdel", "HKLM", UNINSTALL, "regdel", "HKLM", PRODUCT, "rm", PF, "rm", START]
        for k in OUR_CLASSES:
            steps += ["regdel", "HKCR", k]
        self.drive(*steps)
        if os.path.exists(self.prefix.c("c:\\rats.html")):
            os.remove(self.prefix.c("c:\\rats.html"))

    def check(self, ok, what):
        if not ok:
            self.problems.append(what)

    # What the machine holds after an install

    def files_match(self, windows_dir):
        host = self.prefix.c(windows_dir)
        sources = [os.path.join(self.product, n) for n in sorted(os.listdir(self.product))]
        for source in sources + [os.path.join(self.build, "UNPLANT.exe")]:
            target = os.path.join(host, os.path.basename(source))
            self.check(os.path.isfile(target) and filecmp.cmp(source, target, shallow=False),
                       "member %s not written byte for byte into %s" % (source, windows_dir))

    def uninstall_entry(self, d, expand=False):
        v = self.prefix.key("m", UNINSTALL)
        if v is None:
            self.problems.append("no uninstall key")
            return
        t = REG_EXPAND_SZ if expand else REG_SZ
        want = {"displayicon": (t, d + "\\Tunewrangler.exe"), "displayname": (REG_SZ, "Tunewrangler"),
                "publisher": (REG_SZ, "Zavik"), "uninstallstring": (t, '"%s\\UNPLANT.exe"' % d),
                "quietuninstallstring": (t, '"%s\\UNPLANT.exe" shh' % d),
                "norepair": (REG_DWORD, 1), "nomodify": (REG_DWORD, 1),
                "installlocation": (t, d), "displayversion": (REG_SZ, "20261208")}
        total = sum(os.path.getsize(os.path.join(self.product, n)) for n in os.listdir(self.product))
        kib = (total + os.path.getsize(os.path.join(self.build, "UNPLANT.exe")) + 1023) // 1024
        want["estimatedsize"] = (REG_DWORD, kib)
        for name, value in want.items():
            self.check(v.get(name) == value, "uninstall %s is %r, not %r" % (name, v.get(name), value))

    def shortcuts(self, d):
        host = self.prefix.c(START)
        home = lnkinfo(os.path.join(host, "_Tunewrangler_Homepage.lnk"))
        self.check(home.get("Working directory") == d, "home page link working dir %r" % home)
        self.check("tunewrangler.example" in home.get("Name", ""), "home page link target %r" % home)
        for name in PROGRAMS:
            f = lnkinfo(os.path.join(host, name + ".lnk"))
            self.check(f.get("Local path") == "%s\\%s.exe" % (d, name), "%s.lnk target %r" % (name, f))
            self.check(f.get("Working directory", "") == "", "%s.lnk working dir %r" % (name, f))
            self.check(f.get("Show Window value") == "0x00000000", "%s.lnk show cmd %r" % (name, f))
            self.check(f.get("Command line arguments", "") == "", "%s.lnk arguments" % name)

    def classes(self, d, expand=False):
        t = REG_EXPAND_SZ if expand else REG_SZ
        cmd = '"%s\\Fendrick.exe" %%1' % d
        v = self.prefix.key("c", "midfile\\shell\\Edit_with_Fendrick\\command") or {}
        self.check(v.get("") == (t, cmd), "Fendrick verb %r, not %r" % (v.get(""), (t, cmd)))
        v = self.prefix.key("c", "midfile\\shell") or {}
        self.check(v.get("") == (REG_SZ, "Play_with_Tunewrangler"), "midfile default verb %r" % v)
        v = self.prefix.key("c", "Directory\\shell\\Tunewrangler_PlaySongs\\command") or {}
        self.check(v.get("") == (t, '"%s\\Tunewrangler.exe" DIR %%1' % d), "folder verb %r" % v)
        self.check(self.prefix.key("c", "sf2file\\DefaultIcon") is None, "sf2file got an icon")

    def snapshot(self):
        """The registry the tables touch, the uninstall key and the product's
        record; the Start Menu folder and Program Files."""
        m = self.prefix.machine()
        keys = [UNINSTALL, PRODUCT] + ["software\\classes\\" + k for k in OUR_CLASSES + ["txtfile"]]
        reg = {k: v for k, v in m.items()
               if any(k == x.lower() or k.startswith(x.lower() + "\\") for x in keys)}
        pf = os.path.dirname(self.prefix.c(PF))
        return reg, sorted(os.listdir(pf)), os.path.exists(self.prefix.c(START))


def in_order(lines, wanted):
    """Whether the trace holds the wanted texts in this order (indent aside)."""
    bodies = [l.split(" ", 1)[1].strip() if " " in l else "" for l in lines]
    i = 0
    for b in bodies:
        if i < len(wanted) and b == wanted[i]:
            i += 1
    return i == len(wanted)


# Scenarios

def fresh_install(w):
    w.clean()
    out, tr = w.drive("start", w.installer, "dialog", "edit-is", PF, "check-is", "1",
                      "click", "1016", "box", "Install is complete",
                      "You're AWESOME !!\r\n\r\nThanks for trying Tunewrangler.",
                      "product", "Tunewrangler", "exit", "0")
    w.files_match(PF)
    w.uninstall_entry(PF)
    w.shortcuts(PF)
    w.classes(PF)
    w.check('"C:\\Program Files\\Tunewrangler\\Tunewrangler.exe"' in out, "product command line")
    w.check(in_order(tr, ["{ SETUP::Open", "} SETUP::Open", "{ SETUP::Inst",
                          "making program files at " + PF, "uninstall info",
                          "making start menu at " + START, "file assocs...",
                          "tell shell to redo stuff;  say ok;  unbusy", "{ Hey",
                          "Install is complete", "} Hey", "} SETUP::Inst"]), "trace order")


def odd_folder_no_assocs(w):
    w.clean()
    d = "C:\\50%off%\\Tune\\"
    w.drive("rm", "C:\\50%off%")
    out, tr = w.drive("start", w.installer, "dialog", "set-edit", d, "uncheck", "click", "1016",
                      "box", "Install is complete", "You're", "product", "Tunewrangler",
                      "exit", "0")
    w.files_match(d)
    w.uninstall_entry(d, expand=True)  # two percent signs: expandable strings
    for k in OUR_CLASSES:
        w.check(w.prefix.key("c", k) is None, "HKCR\\%s written with the box cleared" % k)
    w.check("file assocs..." not in [l.split(" ", 1)[1].strip() for l in tr], "assoc trace")
    w.check(in_order(tr, ["tell shell to redo stuff;  say ok;  unbusy"]), "shell not told")
    w.check(in_order(tr, ["fn=C:\\50%off%\\Tune\\\\version.txt len=10 wrote=10"]),
            "two backslashes where the typed one meets the name")
    w.drive("rm", "C:\\50%off%")


def invalid_dirs(w):
    w.clean()
    steps = ["start", w.installer, "dialog"]
    for bad in ["", "C:", "C:folder", "\\\\server\\share", "C:\\what?\\x"]:
        steps += ["set-edit", bad, "click", "1016", "box", "Hey...", "fill in a valid Install Dir"]
    long_dir = "C:\\" + "x" * 231  # 234 characters, one over
    steps += ["set-edit", long_dir, "click", "1016", "box", "Hey...", "Install Dir is too long",
              "set-edit", long_dir[:-1], "edit-is", long_dir[:-1], "close", "exit", "0"]
    out, tr = w.drive(*steps)
    w.check("at most 233 characters" in out, "too-long box names the limit: " + out)
    w.check(w.prefix.key("m", UNINSTALL) is None, "uninstall entry written")
    w.check(not os.path.exists(w.prefix.c(START)), "start menu written")
    w.check(not os.path.exists(w.prefix.c("C:\\" + "x" * 231)), "long folder created")
    w.check(sum(1 for l in tr if l.endswith("} SETUP::Inst")) == 6, "each refusal closes its scope")


def reinstall(w):
    fresh_install(w)
    before = w.snapshot()
    host = w.prefix.c(PF)
    with open(os.path.join(host, "Fendrick.exe"), "wb") as f:
        f.write(b"damaged")
    with open(os.path.join(host, "my notes.txt"), "w") as f:
        f.write("keep me")
    # The earlier installation's uninstaller, unquoted with a blank in its path.
    shutil.copy(os.path.join(w.build, "e2e", "fake_unplant.exe"), os.path.join(host, "UNPLANT.exe"))
    out, tr = w.drive("start", w.installer, "dialog", "file-has", PF + "\\unplant.log", "ended",
                      "edit-is", PF, "click", "1016", "box", "Install is complete", "You're",
                      "product", "Tunewrangler", "exit", "0")
    log = open(os.path.join(host, "unplant.log")).read()
    w.check('started: "C:\\Program Files\\Tunewrangler\\UNPLANT.exe" shh' in log, "uninstaller: " + log)
    w.files_match(PF)
    w.check(open(os.path.join(host, "my notes.txt")).read() == "keep me", "other file touched")
    w.check(w.snapshot() == before, "registry differs after a second install")


def earlier_elsewhere(w):
    w.clean()
    for value in ["C:\\Old Apps\\Tunewrangler\\UNPLANT.exe",
                  '"C:\\Old Apps\\Tunewrangler\\UNPLANT.exe"']:
        old = w.prefix.c("C:\\Old Apps\\Tunewrangler")
        shutil.rmtree(w.prefix.c("C:\\Old Apps"), ignore_errors=True)
        os.makedirs(old)
        shutil.copy(os.path.join(w.build, "e2e", "fake_unplant.exe"), os.path.join(old, "UNPLANT.exe"))
        w.drive("regset", UNINSTALL, "UninstallString", value,
                "start", w.installer, "dialog",
                "file-has", "C:\\Old Apps\\Tunewrangler\\unplant.log", "ended",
                "edit-is", "C:\\Old Apps\\Tunewrangler", "close", "exit", "0")
        log = open(os.path.join(old, "unplant.log")).read()
        w.check(log.count("started:") == 1 and
                'started: "C:\\Old Apps\\Tunewrangler\\UNPLANT.exe" shh' in log, "run as " + log)
        w.check(not os.path.exists(w.prefix.c(PF)), "closing installed something")
    shutil.rmtree(w.prefix.c("C:\\Old Apps"), ignore_errors=True)


def earlier_gone(w):
    w.clean()
    out, tr = w.drive("regset", UNINSTALL, "UninstallString", "C:\\Gone\\Tunewrangler\\UNPLANT.exe",
                      "start", w.installer, "dialog", "edit-is", "C:\\Gone\\Tunewrangler",
                      "close", "exit", "0")
    w.check(in_order(tr, ["earlier uninstaller is gone, not run: C:\\Gone\\Tunewrangler\\UNPLANT.exe"]),
            "no trace of the missing uninstaller")


def browse(w):
    w.clean()
    w.drive("start", w.installer, "dialog",
            "set-edit", "C:\\windows\\Tunewrangler", "click", "1026", "picker", "ok",
            "edit-is", "C:\\windows\\Tunewrangler",
            "set-edit", "C:\\users", "click", "1026", "picker", "ok",
            "edit-is", "C:\\users\\Tunewrangler",
            "set-edit", "C:", "click", "1026", "picker", "ok", "edit-is", "C:\\Tunewrangler",
            "set-edit", "C:\\windows\\TUNEWRANGLER", "click", "1026", "picker", "cancel",
            "edit-is", "C:\\windows\\TUNEWRANGLER", "close", "exit", "0")


def held_member(w):
    w.clean()
    d = "C:\\HeldTest"
    shutil.rmtree(w.prefix.c(d), ignore_errors=True)
    os.makedirs(w.prefix.c(d))
    open(os.path.join(w.prefix.c(d), "Sondly.exe"), "w").write("running")
    # The product runs and holds a member: nothing is registered, the dialog
    # stays, and once the program is closed Install completes.
    out, tr = w.drive("start", w.installer, "dialog", "set-edit", d, "hold", d + "\\Sondly.exe",
                      "click", "1016", "box", "Hey...", "Couldn't write " + d + "\\Sondly.exe\r\n",
                      "no-key", UNINSTALL, "edit-is", d, "release", "click", "1016",
                      "box", "Install is complete", "You're", "product", "Tunewrangler",
                      "exit", "0")
    n = os.path.getsize(os.path.join(w.product, "Sondly.exe"))
    w.check(in_order(tr, ["fn=C:\\HeldTest\\Sondly.exe len=%d wrote=0" % n, "} SETUP::Inst",
                          "{ SETUP::Inst", "fn=C:\\HeldTest\\Sondly.exe len=%d wrote=%d" % (n, n)]),
            "trace of the held member and the retry")
    w.files_match(d)
    w.uninstall_entry(d)
    shutil.rmtree(w.prefix.c(d), ignore_errors=True)


def fatal_reg_type(w):
    w.clean()
    w.drive("regset", UNINSTALL, "#UninstallString", "7", "start", w.installer, "exit", "99")
    page = open(w.prefix.c("c:\\rats.html"), encoding="latin-1", newline="").read()
    w.check("<h1><b>RegGet::Get  RegQueryValueEx  not string!\r\n</b></h1>" in page, page)
    w.check("TunewranglerSetup.exe died :(" in page, "page names the program")


def fatal_folder(w):
    w.clean()
    blocker = w.prefix.c("C:\\blocker")
    shutil.rmtree(blocker, ignore_errors=True)
    open(blocker, "w").close()  # an empty file is not deleted, and blocks the folder
    out, tr = w.drive("start", w.installer, "dialog", "set-edit", "C:\\blocker\\sub",
                      "click", "1016", "exit", "99")
    page = open(w.prefix.c("c:\\rats.html"), encoding="latin-1", newline="").read()
    w.check("<h1><b>File::PathMake  CreateDirectory died\r\nC:\\blocker</b></h1>" in page, page)
    w.check(w.prefix.key("m", UNINSTALL) is None, "uninstall entry after a fatal error")
    os.remove(blocker)


def page_write_fails(w):
    """A report whose own page cannot be written (a full disk) reports that
    failure in turn, but only so deep, and the process still ends with 99."""
    roaming = [r for r in glob.glob(os.path.join(w.prefix.path, "drive_c", "users", "*", "AppData",
                                                 "Roaming")) if "/Public/" not in r]
    etc = os.path.join(roaming[0], "tests", "etc")
    os.makedirs(etc, exist_ok=True)
    page = os.path.join(etc, "rats.html")
    if os.path.lexists(page):
        os.remove(page)
    os.symlink("/dev/full", page)
    try:
        env = dict(os.environ, WINEDEBUG="-all,+debugstr")
        p = subprocess.run([*w.wine, os.path.join(w.build, "tests", "child.exe"), "die", "x", "-null"],
                           capture_output=True, text=True, env=env, timeout=120, errors="replace")
        tr = trace(p.stderr)
        w.check(p.returncode == 99, "exit code %d" % p.returncode)
        nested = sum(1 for l in tr if "{ Die msg=File::Put  WriteFile" in l)
        w.check(nested == 3, "%d nested reports" % nested)
        w.check(any(l.endswith("die: nested report, no page") for l in tr), "no stop line")
    finally:
        shutil.rmtree(os.path.join(roaming[0], "tests"), ignore_errors=True)


def install(w, d=PF, assocs=True):
    steps = ["start", w.installer, "dialog", "set-edit", d] + ([] if assocs else ["uncheck"])
    w.drive(*steps, "click", "1016", "box", "Install is complete", "You're",
            "product", "Tunewrangler", "exit", "0")


def uninstall(w, d=PF, *answers):
    """UNPLANT.exe started as the Start Menu link starts it: Yes, then the end box."""
    w.drive("start", d + "\\UNPLANT.exe", "answer", "Remove Tunewrangler",
            "Remove Tunewrangler and its tools from %s?" % d, "6", *answers, "exit", "0")


def gone_soon(w, path, seconds=90):
    """The copy in the temp folder deletes UNPLANT.exe once the original ends."""
    for _ in range(seconds * 2):
        if not os.path.exists(path):
            return True
        time.sleep(0.5)
    return False


def uninstall_restores(w):
    """Install with associations, over prior values of other programs, then
    uninstall: the registry, Start Menu and Program Files as they were."""
    for seeded in (False, True):
        w.clean()
        if seeded:
            w.drive("regput", "HKCR", ".mid", "", "othermidi", "regput", "HKCR",
                    "wavfile\\DefaultIcon", "", "C:\\other\\wave.ico,1",
                    "regput", "HKCR", "txtfile\\shell\\print\\command", "", "notepad /p %1",
                    "regput", "HKCR", "txtfile\\shell", "", "print")
        before = w.snapshot()
        install(w)
        w.uninstall_entry(PF)
        uninstall(w, PF, "box", "Remove Tunewrangler", "Tunewrangler has been removed.")
        w.check(gone_soon(w, w.prefix.c(PF)), "install folder still there (seeded=%s)" % seeded)
        w.prefix.flush()
        after = w.snapshot()
        for k in sorted(set(before[0]) | set(after[0])):
            w.check(before[0].get(k) == after[0].get(k),
                    "seeded=%s %s: %r before, %r after" % (seeded, k, before[0].get(k), after[0].get(k)))
        w.check(before[1:] == after[1:], "files: %r before, %r after" % (before[1:], after[1:]))


def reinstall_then_uninstall(w):
    """A second install runs the real uninstaller quietly first: one entry,
    every member, registrations once. The uninstall then keeps a user's file
    and its folder, and leaves the registry of the first baseline."""
    w.clean()
    before = w.snapshot()
    install(w)
    install(w)
    w.files_match(PF)
    w.uninstall_entry(PF)
    w.classes(PF)
    host = w.prefix.c(PF)
    with open(os.path.join(host, "my song.mid"), "w") as f:
        f.write("mine")
    uninstall(w, PF, "box", "Remove Tunewrangler", "Tunewrangler has been removed.\r\n\r\n")
    w.check(gone_soon(w, os.path.join(host, "UNPLANT.exe")), "UNPLANT.exe still there")
    w.check(os.listdir(host) == ["my song.mid"], "left in the folder: %r" % os.listdir(host))
    w.prefix.flush()
    after = w.snapshot()
    w.check(before[0] == after[0], "registry differs from the first baseline")
    w.check(not after[2], "Start Menu folder still there")


SCENARIOS = [fresh_install, odd_folder_no_assocs, invalid_dirs, reinstall, earlier_elsewhere,
             earlier_gone, browse, held_member, fatal_reg_type, fatal_folder, page_write_fails,
             uninstall_restores, reinstall_then_uninstall]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("build")
    ap.add_argument("--bits", type=int, default=64, choices=(32, 64))
    ap.add_argument("--only", default="")
    args = ap.parse_args()
    only = [s for s in args.only.split(",") if s]
    failed = 0
    for scenario in SCENARIOS:
        if only and scenario.__name__ not in only:
            continue
        w = World(args.build, args.bits)
        t0 = time.time()
        try:
            scenario(w)
        except (Failed, OSError, subprocess.TimeoutExpired) as e:
            w.problems.append(str(e))
        status = "PASS" if not w.problems else "FAIL"
        failed += bool(w.problems)
        print("%s  %-22s %5.1fs" % (status, scenario.__name__, time.time() - t0), flush=True)
        for p in w.problems:
            print("      - " + p.replace("\n", "\n        "), flush=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
