#!/usr/bin/python3
"""Prints each build's program sizes: the installer without its archive,
without the resource section's padding (which moves with the payload, so the
figure depends on the code alone) and without a signature, and the
uninstaller UNPLANT.exe. Each shipped i686 program's figure must stay under
32 KiB.

usage: bench/size.py [BUILD_DIR ...]   (default: build/win32 build/win64)
Exit code 1 when an i686 figure is over the limit."""
import os
import sys

import pefile

LIMIT = 32 * 1024


def own_size(exe):
    """File size less the archive, the padding after the resources and the
    signature (the certificate table appended to a signed file)."""
    pe = pefile.PE(exe)
    archive = 0
    for t in getattr(pe, "DIRECTORY_ENTRY_RESOURCE", None) and pe.DIRECTORY_ENTRY_RESOURCE.entries or []:
        if str(t.name) == "GLOM":
            archive = sum(lang.data.struct.Size for r in t.directory.entries
                          for lang in r.directory.entries)
    rsrc = [s for s in pe.sections if s.Name.rstrip(b"\0") == b".rsrc"]
    pad = max(0, rsrc[0].SizeOfRawData - rsrc[0].Misc_VirtualSize) if rsrc else 0
    signature = pe.OPTIONAL_HEADER.DATA_DIRECTORY[4].Size
    return (pe.FILE_HEADER.Machine == 0x14C, os.path.getsize(exe),
            os.path.getsize(exe) - archive - pad - signature)


def main():
    dirs = sys.argv[1:] or ["build/win32", "build/win64"]
    status = 0
    for d in dirs:
        i686, total, own = own_size(os.path.join(d, "TunewranglerSetup.exe"))
        over = i686 and own >= LIMIT
        status |= over
        print("%-40s %-6s %8d bytes, %6d without the archive (%.1f KiB)%s" % (
            os.path.join(d, "TunewranglerSetup.exe"), "i686" if i686 else "x86-64", total, own,
            own / 1024, "  OVER the 32 KiB limit" if over else ""))
        unplant = os.path.join(d, "UNPLANT.exe")
        if os.path.exists(unplant):
            _, total, _ = own_size(unplant)
            over = i686 and total >= LIMIT
            status |= over
            print("%-40s %-6s %8d bytes (%.1f KiB)%s" % (unplant, "i686" if i686 else "x86-64",
                                                         total, total / 1024,
                                                         "  OVER the 32 KiB limit" if over else ""))
    return status


if __name__ == "__main__":
    sys.exit(main())
