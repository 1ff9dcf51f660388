#!/usr/bin/python3
"""Reads the built installer's resources with pefile and checks them against
what the program relies on: dialog template 200 byte by byte, icon group 103,
the manifest (for the build's architecture) and the archive GLOM 173; with
--icon-only (the uninstaller) icon group 103 alone.

usage: check_resources.py EXE X86|amd64 [--icon-only]"""
import struct
import sys

import pefile

RT_ICON, RT_DIALOG, RT_GROUP_ICON, RT_MANIFEST = 3, 5, 14, 24


def resources(pe):
    """{(type, id): (language, bytes)}"""
    found = {}
    for t in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        tkey = t.id if t.id is not None else str(t.name)
        for r in t.directory.entries:
            for lang in r.directory.entries:
                d = lang.data.struct
                data = pe.get_data(d.OffsetToData, d.Size)
                found[(tkey, r.id if r.id is not None else str(r.name))] = (lang.id, data)
    return found


def sz_or_ord(data, off):
    """A DLGTEMPLATEEX string-or-ordinal field; returns (value, next offset)."""
    first = struct.unpack_from("<H", data, off)[0]
    if first == 0xFFFF:
        return struct.unpack_from("<H", data, off + 2)[0], off + 4
    end = off
    while struct.unpack_from("<H", data, end)[0]:
        end += 2
    return data[off:end].decode("utf-16-le"), end + 2


def align4(off):
    return (off + 3) & ~3


def dialog(data):
    ver, sig, helpid, exstyle, style, n, x, y, cx, cy = struct.unpack_from("<HHIIIHhhhh", data, 0)
    off = 26
    menu, off = sz_or_ord(data, off)
    cls, off = sz_or_ord(data, off)
    title, off = sz_or_ord(data, off)
    pt, weight, italic, charset = struct.unpack_from("<HHBB", data, off)
    face, off = sz_or_ord(data, off + 6)
    d = dict(ver=ver, sig=sig, help=helpid, exstyle=exstyle, style=style, rect=(x, y, cx, cy),
             menu=menu, cls=cls, title=title, font=(pt, weight, italic, charset, face), items=[])
    for _ in range(n):
        off = align4(off)
        helpid, ex, st, x, y, cx, cy, cid = struct.unpack_from("<IIIhhhhi", data, off)
        ccls, off = sz_or_ord(data, off + 24)
        text, off = sz_or_ord(data, off)
        extra = struct.unpack_from("<H", data, off)[0]
        off += 2 + extra
        d["items"].append((cid, ccls, text, st, ex, (x, y, cx, cy), helpid, extra))
    return d


def icon(res, check):
    """Group 103: one image of 32 by 32 pixels at 8 bits per pixel, as its
    directory entry and the image's own header both say."""
    _, group = res[(RT_GROUP_ICON, 103)]
    _, typ, count = struct.unpack_from("<HHH", group, 0)
    w, h, colors, _, planes, bits, size, icon_id = struct.unpack_from("<BBBBHHIH", group, 6)
    check((typ, count) == (1, 1), "icon group holds %d images" % count)
    check((w, h, bits, colors) == (32, 32, 8, 0), "icon %dx%d at %d bits, %d colours" % (w, h, bits, colors))
    if (RT_ICON, icon_id) not in res:
        check(False, "icon image missing")
        return
    image = res[(RT_ICON, icon_id)][1]
    hsize, bw, bh, _, bbits, comp, _, _, _, used, _ = struct.unpack_from("<IiiHHIIiiII", image, 0)
    check((hsize, bw, bh, bbits, comp) == (40, 32, 64, 8, 0),
          "icon image %dx%d at %d bits (header %d, compression %d)" % (bw, bh // 2, bbits, hsize, comp))
    palette = 4 * (used or 256)
    check(0 < used <= 256 and len(image) == 40 + palette + 32 * 32 + 32 * 4,
          "icon image of %d bytes with %d colours" % (len(image), used))


def main():
    exe, arch = sys.argv[1], sys.argv[2]
    pe = pefile.PE(exe)
    res = resources(pe)
    problems = []

    def check(ok, what):
        if not ok:
            problems.append(what)

    if sys.argv[3:] == ["--icon-only"]:
        icon(res, check)
        for p in problems:
            print("FAIL: " + p)
        return 1 if problems else 0

    lang, data = res[(RT_DIALOG, 200)]
    d = dialog(data)
    check(lang == 1033, "dialog language %d" % lang)
    check((d["ver"], d["sig"]) == (1, 0xFFFF), "not an extended template")
    check(d["style"] == 0x10CA0844, "dialog style %#x" % d["style"])
    check(d["exstyle"] == 0x4000C, "dialog extended style %#x" % d["exstyle"])
    check(d["rect"] == (55, 55, 246, 40), "dialog rect %r" % (d["rect"],))
    check(d["menu"] == "" and d["cls"] == "", "menu or class set")
    check(d["title"] == "SETUP Tunewrangler", "caption %r" % d["title"])
    check(d["font"] == (9, 0, 0, 1, "Courier New"), "font %r" % (d["font"],))
    want = [
        (1016, "BUTTON", "Install", 0x50010000, 0, (67, 26, 111, 14)),
        (1025, "EDIT", "", 0x50810080, 0, (54, 0, 160, 12)),
        (1026, "BUTTON", "Browse", 0x50010000, 0, (215, 0, 31, 13)),
        (1027, "BUTTON", "do file associations", 0x50010003, 0, (54, 12, 96, 10)),
        (-1, "STATIC", "Install Dir:", 0x50020000, 0x1000, (1, 1, 52, 8)),
    ]
    # A class may be stored by name or by its predefined ordinal.
    ordinals = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC"}
    got = [(i[0], ordinals.get(i[1], i[1]) if isinstance(i[1], int) else i[1].upper()) + i[2:6]
           for i in d["items"]]
    check(got == want, "controls\n  got  %r\n  want %r" % (got, want))
    check(all(i[6] == 0 and i[7] == 0 for i in d["items"]), "help ids or creation data")

    icon(res, check)

    _, manifest = res[(RT_MANIFEST, 1)]
    text = manifest.decode("utf-8")
    for needle in ['name="Verdmoss.Tunewrangler.Tunewrangler"', 'version="1.0.0.0"',
                   'processorArchitecture="%s"' % arch, "<description>Tunewrangler</description>",
                   'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"',
                   'publicKeyToken="6595b64144ccf1df"', 'level="requireAdministrator"',
                   'uiAccess="false"', "{e2011457-1546-43c5-a5fe-008deee3d3f0}",
                   "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                   '<dpiAware xmlns="http://schemas.microsoft.com/SMI/2005/WindowsSettings">true'
                   "</dpiAware>"]:
        check(needle in text, "manifest lacks " + needle)
    check(text.count('processorArchitecture="%s"' % arch) == 2, "manifest architecture")

    check(("GLOM", 173) in res, "no GLOM 173 archive")
    check(len(res.get(("GLOM", 174), (0, b""))[1]) == 4, "no 4-byte GLOM 174 checksum")
    if arch == "X86":
        # The shipped build's linker script leaves no section to ld's own placing.
        names = [s.Name.rstrip(b"\0").decode() for s in pe.sections]
        check(names == [".text", ".rsrc", ".reloc"], "sections %r" % names)
        check(pe.OPTIONAL_HEADER.SizeOfHeaders == 512, "headers of %d bytes" % pe.OPTIONAL_HEADER.SizeOfHeaders)

    for p in problems:
        print("FAIL: " + p)
    print("resources of %s: %s" % (exe, "ok" if not problems else "%d problems" % len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
