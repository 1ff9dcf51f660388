#!/usr/bin/env python3
"""Writes archives that the installer must refuse before writing anything:
  truncated.glom  its data runs past the end of the resource
  traversal.glom  a member named ..\\escaped.txt
  nonul.glom      a name slot with no NUL in it
each with its own sum (so the walk's checks are what refuses it), and
  damaged.glom    good.glom with one byte flipped, beside good's sum
usage: make-bad-gloms.py DIR GLOM_TOOL (DIR holds good.glom and good.sum)
"""
import shutil
import struct
import subprocess
import sys


def glom(names, datas, width=None):
    w = width if width is not None else max(len(n) for n in names)
    out = struct.pack("<II", len(names), w)
    out += b"".join(struct.pack("<I", len(d)) for d in datas)
    out += b"".join(n.ljust(w + 1, b"\0")[: w + 1] for n in names)
    return out + b"".join(datas)


out = sys.argv[1]
good = glom([b"a.txt", b"b.txt"], [b"first", b"second"])
with open(f"{out}/truncated.glom", "wb") as f:
    f.write(good[:-1])
with open(f"{out}/traversal.glom", "wb") as f:
    f.write(glom([b"a.txt", b"..\\escaped.txt"], [b"first", b"second"]))
with open(f"{out}/nonul.glom", "wb") as f:
    f.write(glom([b"a.txt", b"bbbbbbb"], [b"first", b"second"], width=5)[:])

for kind in ("truncated", "traversal", "nonul"):
    subprocess.run([sys.argv[2], "sum", f"{out}/{kind}.glom"], check=True)
damaged = bytearray(open(f"{out}/good.glom", "rb").read())
damaged[len(damaged) // 2] ^= 0x10
open(f"{out}/damaged.glom", "wb").write(damaged)
shutil.copy(f"{out}/good.sum", f"{out}/damaged.sum")
