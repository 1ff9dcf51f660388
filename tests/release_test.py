#!/usr/bin/python3
"""Release builds: the same sources give the same bytes, and a signed
release still installs.

  same_bytes      the installer built twice, in build folders at different
                  paths, seconds apart, SOURCE_DATE_EPOCH unset and the demo's
                  files touched in between: equal SHA-256, and no path of the
                  build machine in any program
  only_the_stamp  a build with another SOURCE_DATE_EPOCH differs only in the
                  PE time stamps (the installer's and its members') and in
                  what follows from them (the header checksums, the sum)
  signed_release  ./release.sh with a throwaway self-signed certificate: the
                  installer and the UNPLANT.exe it carries verify against it,
                  SHA256SUMS checks, and the signed file installs

usage: release_test.py WORK_DIR
The last part needs WINEPREFIX (a 32-bit prefix) and DISPLAY."""
import glob
import hashlib
import os
import shutil
import struct
import subprocess
import sys
import time

import pefile

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def build(folder, epoch=None):
    env = {k: v for k, v in os.environ.items() if k != "SOURCE_DATE_EPOCH"}
    if epoch:
        env["SOURCE_DATE_EPOCH"] = str(epoch)
    shutil.rmtree(folder, ignore_errors=True)
    for cmd in (["cmake", "--preset", "win32", "-B", folder],
                ["cmake", "--build", folder, "-j%d" % os.cpu_count(), "--target", "installer"]):
        subprocess.run(cmd, cwd=TOP, env=env, check=True, stdout=subprocess.DEVNULL)


def programs(folder):
    return [os.path.join(folder, "TunewranglerSetup.exe"), os.path.join(folder, "UNPLANT.exe")] + \
        sorted(glob.glob(os.path.join(folder, "demo-product", "*.exe")))


def sha256(path):
    return hashlib.sha256(open(path, "rb").read()).hexdigest()


def resource(data, rid):
    pe = pefile.PE(data=data)
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if str(t.name) == "GLOM":
            for r in t.directory.entries:
                if r.id == rid:
                    d = r.directory.entries[0].data.struct
                    return pe.get_offset_from_rva(d.OffsetToData), d.Size
    raise LookupError("no GLOM %d" % rid)


def members(glom):
    n, w = struct.unpack_from("<II", glom)
    lens = struct.unpack_from("<%dI" % n, glom, 8)
    at, out = 8 + (w + 5) * n, {}
    for i, length in enumerate(lens):
        name = glom[8 + 4 * n + (w + 1) * i:][:w + 1].split(b"\0")[0].decode()
        out[name], at = glom[at:at + length], at + length
    return out


def stamp(data):
    return struct.unpack_from("<I", data, struct.unpack_from("<I", data, 0x3C)[0] + 8)[0]


def stampless(data):
    """A program with its time stamp zeroed, and the header checksum that
    covers it; an installer also with its archive and the archive's checksum
    zeroed, its members so treated apart."""
    data = bytearray(data)
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    struct.pack_into("<I", data, pe + 8, 0)
    struct.pack_into("<I", data, pe + 24 + 64, 0)
    found = {}
    if data[:2] == b"MZ" and b"GLOM" in data:
        try:
            for rid in (173, 174):
                off, size = resource(bytes(data), rid)
                found[rid] = bytes(data[off:off + size])
                data[off:off + size] = bytes(size)
        except (LookupError, AttributeError):
            pass
    parts = {"": bytes(data)}
    if 173 in found:
        for name, body in members(found[173]).items():
            parts[name] = stampless(body)[""] if body[:2] == b"MZ" else body
    return parts


def main():
    work = os.path.abspath(sys.argv[1])
    problems = []

    def check(ok, what):
        if not ok:
            problems.append(what)

    def same_bytes():
        a, b = os.path.join(work, "a"), os.path.join(work, "elsewhere", "deeper", "b")
        build(a)
        time.sleep(3)
        for doc in ("readme.txt", "version.txt"):
            os.utime(os.path.join(TOP, "demo", doc))
        build(b)
        for pa, pb in zip(programs(a), programs(b)):
            check(sha256(pa) == sha256(pb), "%s differs between the two builds" % os.path.basename(pa))
            data = open(pb, "rb").read()
            for path in (b, TOP, a):
                check(path.encode() not in data, "%s holds the path %s" % (pb, path))
            check(stamp(data) != 0, "%s has a zero time stamp" % pb)

    def only_the_stamp():
        a, c = os.path.join(work, "a"), os.path.join(work, "c")
        build(c, epoch=1800000000)
        for pa, pc in zip(programs(a), programs(c)):
            da, dc = open(pa, "rb").read(), open(pc, "rb").read()
            check(stamp(dc) == 1800000000 and stamp(da) != stamp(dc),
                  "%s: stamps %d and %d" % (os.path.basename(pc), stamp(da), stamp(dc)))
            check(stampless(da) == stampless(dc), "%s differs beyond its time stamps" % pc)

    def signed_release():
        keys = os.path.join(work, "keys")
        os.makedirs(keys, exist_ok=True)
        cert, key = os.path.join(keys, "cert.pem"), os.path.join(keys, "key.pem")
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=Tunewrangler Test Signer", "-keyout", key, "-out", cert],
                       check=True, capture_output=True)
        folder, dist = os.path.join(work, "signed"), os.path.join(work, "dist")
        shutil.rmtree(dist, ignore_errors=True)
        env = dict(os.environ, SIGN_CERT=cert, SIGN_KEY=key, BUILD_DIR=folder, DIST_DIR=dist)
        r = subprocess.run([os.path.join(TOP, "release.sh")], env=env, capture_output=True, text=True)
        check(r.returncode == 0, "release.sh failed: " + r.stdout[-1500:] + r.stderr[-1500:])
        exe = os.path.join(dist, "TunewranglerSetup-20261208.exe")
        unplant = os.path.join(work, "packed-UNPLANT.exe")
        data = open(exe, "rb").read()
        off, size = resource(data, 173)
        open(unplant, "wb").write(members(data[off:off + size])["UNPLANT.exe"])
        for f in (exe, unplant):
            v = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", f],
                               capture_output=True, text=True)
            check(v.returncode == 0 and "Signature verification: ok" in v.stdout and
                  "Tunewrangler Test Signer" in v.stdout, "%s: %s" % (f, v.stdout[-800:]))
        s = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist, capture_output=True, text=True)
        check(s.returncode == 0, "SHA256SUMS: " + s.stdout + s.stderr)
        check(sha256(exe) in r.stdout, "release.sh did not print the hash")
        # Signing must not move or break the archive: the signed file installs.
        subprocess.run(["cmake", "--build", folder, "--target", "driver", "fake_unplant"],
                       check=True, stdout=subprocess.DEVNULL)
        e = subprocess.run(["/usr/bin/python3", os.path.join(TOP, "tests", "e2e", "scenarios.py"),
                            folder, "--bits", "32", "--only", "fresh_install"],
                           capture_output=True, text=True)
        print(e.stdout.strip())
        check(e.returncode == 0, "the signed installer did not install: " + e.stdout[-1500:])

    for part in (same_bytes, only_the_stamp, signed_release):
        t0 = time.time()
        before = len(problems)
        part()
        print("%s  %-16s %5.1fs" % ("PASS" if len(problems) == before else "FAIL", part.__name__,
                                     time.time() - t0), flush=True)
        for p in problems[before:]:
            print("      - " + p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
