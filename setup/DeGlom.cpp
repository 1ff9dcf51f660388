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

const unsigned char* DeGlom::glom;

static const unsigned char* Resource(unsigned id, unsigned* size)
{
    HRSRC res = FindResourceA(0, MAKEINTRESOURCEA(id), "GLOM");
    if (!res)
        Err("DeGlom::DeGlom - FindResource died", 99);
    HGLOBAL loaded = LoadResource(0, res);
    if (!loaded)
        Err("DeGlom::DeGlom - LoadResource died", 99);
    const unsigned char* p = (const unsigned char*)LockResource(loaded);
    if (!p)
        Err("DeGlom::DeGlom - LockResource died", 99);
    *size = SizeofResource(0, res);
    return p;
}

void DeGlom::Verify()
{
    DBG("{ DeGlom::Verify");
    unsigned size, sumSize;
    glom = Resource(Glom::RESOURCE_ID, &size);
    const unsigned char* sum = Resource(Glom::SUM_ID, &sumSize);
    // A truncated or bit-flipped download: the archive is not the one built.
#ifndef BENCH_WITHOUT_ARCHIVE_SUM
    if (sumSize != 4 || Glom::Read32(sum) != Glom::Sum(glom, size))
        Die("The installer is damaged: download it again", 0, 99, true);
#else
    (void)sum;
#endif
    // A sound sum over a hand-made archive must still not send the reader
    // past the resource or write a name outside the install directory.
    if (Glom::Check(glom, size))
        Die("DeGlom::DeGlom - bad archive", 0, 99, true);
    DBG("} DeGlom::Verify");
}

DeGlom::DeGlom(const char* dir) : kib(0), failed(0), error(0)
{
    Glom::Walk m(glom);
    unsigned bytes = 0, made, written = 0;
    DBGF("DeGlom path=%s nInd=%d", dir, m.n);
    StrCopy(firstFailed, dir);
    if ((error = File::PathMake(dir, &made))) {
        failed = 1;
        return;
    }
    while (m.Next()) {
        char path[PATHBUF];
        unsigned wrote = 0;
        bool opened = false;
        unsigned long code = ERROR_FILENAME_EXCED_RANGE;
        // A joined path that does not fit is cut, traced and refused, not written.
        StrFormat(path, PATHBUF, "%s\\%s", dir, m.name);
        if (StrLen(dir) + 1 + StrLen(m.name) < PATHBUF) {
            wrote = File::Put(path, m.data, m.len, &opened);
            code = GetLastError();
        }
        DBGF("fn=%s len=%d wrote=%d", path, m.len, wrote);
        written += opened;
        if (!opened || wrote != m.len) {
            failed = 1;
            StrCopy(firstFailed, path);
            error = code;
            Undo(dir, written, made);
            return;
        }
        // KiB so far and the bytes under one KiB: no 64-bit sum is needed.
        bytes += m.len & 1023;
        kib += (m.len >> 10) + (bytes >> 10);
        bytes &= 1023;
    }
    kib += bytes != 0;
    RegPut members("m", MEMBERS_KEY);
    for (Glom::Walk r(glom); r.Next();)
        members.PutDword(r.name, r.len);
}

// The first written members (the failed one among them when it was opened)
// and the folders made: the drive as it was before this attempt.
void DeGlom::Undo(const char* dir, unsigned written, unsigned made)
{
    char path[PATHBUF];
    for (Glom::Walk m(glom); written-- && m.Next();)
        DeleteFileA(StrFormat(path, PATHBUF, "%s\\%s", dir, m.name));
    File::PathUnmake(dir, made);
}

unsigned DeGlom::Need()
{
    unsigned need = 0;
    for (Glom::Walk m(glom); m.Next();)
        need += (m.len + 4095) & ~4095u;
    return need;
}

char* DeGlom::Version(char* out)
{
    *out = 0;
    for (Glom::Walk m(glom); m.Next();) {
        if (!Glom::SameIgnoringCase(m.name, "version.txt"))
            continue;
        unsigned n = m.len < PATHBUF - 1 ? m.len : PATHBUF - 1;
        MemCopy(out, m.data, n);
        out[n] = 0;
    }
    if (char* cr = StrFind(out, '\r'))
        *cr = 0;
    if (char* lf = StrFind(out, '\n'))
        *lf = 0;
    return out;
}
