// Extraction of the payload archive carried in the program's resources.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "setup/DeGlom.h"

#include "diag/Diag.h"
#include "footprint/Footprint.h"
#include "setup/Glom.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "sys/Reg.h"

DeGlom::DeGlom(const char* dir) : kib(0), failed(0)
{
    firstFailed[0] = 0;
    HRSRC res = FindResourceA(0, MAKEINTRESOURCEA(Glom::RESOURCE_ID), "GLOM");
    if (!res)
        Err("DeGlom::DeGlom - FindResource died", 99);
    HGLOBAL loaded = LoadResource(0, res);
    if (!loaded)
        Err("DeGlom::DeGlom - LoadResource died", 99);
    const unsigned char* glom = (const unsigned char*)LockResource(loaded);
    if (!glom)
        Err("DeGlom::DeGlom - LockResource died", 99);
    // The archive is part of the program, but a damaged or hand-made one must
    // not send the reader past the resource or write a name outside dir.
    if (const char* why = Glom::Check(glom, SizeofResource(0, res)))
        Die("DeGlom::DeGlom - bad archive", why, 99, true);

    unsigned n = Glom::Read32(glom), stride = Glom::Read32(glom + 4) + 1;
    const unsigned char* name = glom + 8 + 4 * n;
    const unsigned char* data = name + stride * n;
    unsigned offset = 0, bytes = 0;
    DBGF("DeGlom path=%s nInd=%d", dir, n);
    RegPut members("m", MEMBERS_KEY);
    for (unsigned i = 0; i < n; ++i, name += stride) {
        unsigned len = Glom::Read32(glom + 8 + 4 * i);
        char path[PATHBUF];
        unsigned wrote = 0;
        bool opened = false;
        // A joined path that does not fit is cut, traced and counted, not written.
        StrFormat(path, PATHBUF, "%s\\%s", dir, (const char*)name);
        if (StrLen(dir) + 1 + StrLen((const char*)name) < PATHBUF)
            wrote = File::Put(path, data + offset, len, &opened);
        DBGF("fn=%s len=%d wrote=%d", path, len, wrote);
        if (opened)
            members.PutDword((const char*)name, len);
        if ((!opened || wrote != len) && !failed++)
            StrCopy(firstFailed, path);
        offset += len;
        // KiB so far and the bytes under one KiB: no 64-bit sum is needed.
        bytes += len & 1023;
        kib += (len >> 10) + (bytes >> 10);
        bytes &= 1023;
    }
    kib += bytes != 0;
}
