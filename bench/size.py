#!/usr/bin/python3
"""Prints each built installer's size without its archive: the program,
its icon, manifest and dialog. The shipped i686 figure must stay under 24 KiB.

usage: bench/size.py [BUILD_DIR ...]   (default: build/win32 build/win64)
Exit code 1 when an i686 figure is over the limit."""
import os
import sys

import pefile

LIMIT = 24 * 1024


def archive_size(pe):
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if str(t.name) == "GLOM":
            return sum(lang.data.struct.Size for r in t.directory.entries
                       for lang in r.directory.entries)
    return 0


def main():
    dirs = sys.argv[1:] or ["build/win32", "build/win64"]
    status = 0
    for d in dirs:
        exe = os.path.join(d, "TunewranglerSetup.exe")
        pe = pefile.PE(exe)
        i686 = pe.FILE_HEADER.Machine == 0x14C
        total = os.path.getsize(exe)
        rest = total - archive_size(pe)
        over = i686 and rest >= LIMIT
        status |= over
        print("%-40s %-6s %8d bytes, %8d without the archive (%.1f KiB)%s" % (
            exe, "i686" if i686 else "x86-64", total, rest, rest / 1024,
            "  OVER the 24 KiB limit" if over else ""))
    return status


if __name__ == "__main__":
    sys.exit(main())
