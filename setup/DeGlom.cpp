// Extraction of the payload archive carried in the program's resources.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "setup/DeGlom.h"

#include "diag/Diag.h"
#include "footprint/Footprint.h"
#include "setup/Glom.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "sys/Patient.h"
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
    const unsigned char* archive = glom = Resource(Glom::RESOURCE_ID, &size);
    const unsigned char* sum = Resource(Glom::SUM_ID, &sumSize);
    // A truncated or bit-flipped download: the archive is not the one built.
#ifndef BENCH_WITHOUT_ARCHIVE_SUM
    if (sumSize != 4 || Glom::Read32(sum) != Glom::Sum(archive, size))
        Die("The installer is damaged: download it again", 0, 99, true);
#else
    (void)sum;
#endif
    // A sound sum over a hand-made archive must still not send the reader
    // past the resource or write a name outside the install directory.
    if (Glom::Check(archive, size))
        Die("DeGlom::DeGlom - bad archive", 0, 99, true);
    DBG("} DeGlom::Verify");
}

// What a crash would leave goes at the next start of the system; a name
// need not exist yet to be scheduled, and one that is gone by then (a staged
// member moved into place) is passed over.
static void AtRestart(const char* path)
{
    MoveFileExA(path, 0, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// Why a file that stands where a member goes could not be replaced: a folder
// there, or (probed when asked) a program holding the file; 0 when it can.
static unsigned long InTheWay(const char* placed, bool probe)
{
    DWORD attr = GetFileAttributesA(placed);
    if (attr == INVALID_FILE_ATTRIBUTES)
        return 0;
    if (attr & FILE_ATTRIBUTE_DIRECTORY)
        return ERROR_ACCESS_DENIED; // no move replaces a folder
    return probe ? ProbePatiently(placed) : 0;
}

// The schedule of deletions lives in the registry, which reaches the disk
// lazily: after a power cut it must still name what staging had written.
static void FlushSchedule()
{
    RegGet("SYSTEM\\CurrentControlSet\\Control\\Session Manager").Flush();
}

DeGlom::DeGlom(const char* dir, bool probe) : kib(0), made(0), failed(0), error(0)
{
    char stage[PATHBUF], staged[PATHBUF], placed[PATHBUF];
    Glom::Walk m(glom);
    DBGF("DeGlom path=%s nInd=%d", dir, m.n);
    // Scheduled in the order the system will take them: the files, the
    // staging folder, then each folder made for it, the deepest first.
    StrFormat(stage, PATHBUF, "%s\\" STAGE_NAME, dir);
    for (unsigned i = 0; i < m.n; ++i)
        AtRestart(StrFormat(staged, PATHBUF, "%s\\%x", stage, i));
    for (StrCopy(placed, stage); *placed && GetFileAttributesA(placed) == INVALID_FILE_ATTRIBUTES;
         PathUp(placed))
        AtRestart(placed);
    FlushSchedule();
    StrCopy(firstFailed, dir);
    if ((error = File::PathMake(stage, &made))) {
        failed = 1;
        return;
    }
    unsigned bytes = 0;
    for (unsigned i = 0; m.Next(); ++i) {
        unsigned wrote = 0;
        bool opened = false;
        unsigned long code = ERROR_FILENAME_EXCED_RANGE;
        // A joined path that does not fit is cut, traced and refused, not
        // written; the staged one (at most 8 hex digits) must fit as well.
        StrFormat(placed, PATHBUF, "%s\\%s", dir, m.name);
        StrFormat(staged, PATHBUF, "%s\\%x", stage, i);
        bool fits = StrLen(dir) + 1 + StrLen(m.name) < PATHBUF && StrLen(stage) + 9 < PATHBUF;
        if (fits && !(code = InTheWay(placed, probe))) {
            // Its length checked as the file system reports it written, its
            // bytes on the disk before the earlier installation goes: a power
            // cut keeps a renamed file's name and size, not unflushed bytes.
            wrote = File::Put(staged, m.data, m.len, &opened, true);
            code = GetLastError();
        }
        DBGF("fn=%s len=%d wrote=%d", placed, m.len, wrote);
        if (!opened || wrote != m.len) {
            failed = 1;
            StrCopy(firstFailed, placed);
            error = code;
            Unstage(dir, made);
            return;
        }
        bytes += m.len; // the whole archive is under 1 GiB
    }
    kib = (bytes + 1023) >> 10;
}

void DeGlom::Unstage(const char* dir, unsigned made)
{
    char stage[PATHBUF], staged[PATHBUF];
    StrFormat(stage, PATHBUF, "%s\\" STAGE_NAME, dir);
    for (unsigned i = 0; i < Glom::Read32(glom); ++i)
        RemovePatiently(StrFormat(staged, PATHBUF, "%s\\%x", stage, i));
    File::PathUnmake(stage, made);
}

void DeGlom::Record()
{
    RegPut members("m", MEMBERS_KEY);
    for (Glom::Walk r(glom); r.Next();)
        members.PutDword(r.name, r.len);
    members.Flush(); // on the disk before a member is put in place
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
