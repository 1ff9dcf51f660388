// Earlier states of the shared values the registrations overwrite.
#include "footprint/Previous.h"

#include "diag/Diag.h"
#include "footprint/Footprint.h"
#include "sys/Format.h"
#include "sys/Reg.h"

using namespace Previous;

char* Previous::RecordName(char* buf, const char* keyName, const char* valu)
{
    return StrFormat(buf, 2 * PATHBUF, "%s|%s", keyName, valu);
}

// How many trailing components of keyName do not exist yet.
static unsigned char MissingDepth(const char* keyName)
{
    char k[PATHBUF];
    StrCopy(k, keyName);
    unsigned char depth = 0;
    for (unsigned n = StrLen(k); n && !RegGet(k, "c").Exists(); ++depth) {
        while (n && k[n - 1] != '\\')
            --n;
        k[n ? n - 1 : 0] = 0;
        n = StrLen(k);
    }
    return depth;
}

void Previous::Keep(const char* keyName, const char* valu)
{
    char name[2 * PATHBUF];
    unsigned char rec[RECORD_MAX];
    DWORD type, len = sizeof(rec);
    RecordName(name, keyName, valu);
    if (RegGet(PREVIOUS_KEY).GetRaw(name, &type, rec, &len) != RegGet::ABSENT)
        return;
    RegGet now(keyName, "c");
    len = KEEP_MAX;
    RegGet::Raw got = now.GetRaw(valu, &type, rec + 5, &len);
    if (got == RegGet::FOUND) {
        rec[0] = 'v';
        MemCopy(rec + 1, &type, 4); // little-endian, as the uninstaller reads it
        len += 5;
    } else if (got == RegGet::TOO_BIG) {
        rec[0] = 'x';
        len = 1;
    } else {
        rec[0] = 'a';
        rec[1] = now.Exists() ? 0 : MissingDepth(keyName);
        len = 2;
    }
    RegPut("m", PREVIOUS_KEY).PutRaw(name, REG_BINARY, rec, len);
}
