// Putting back what the registrations overwrote: the uninstaller's half of
// the earlier states, apart so that the installer imports none of its calls.
#include "footprint/Previous.h"

#include "diag/Diag.h"
#include "footprint/Footprint.h"
#include "sys/Reg.h"

using namespace Previous;

// Whether keyName's value is the string the install wrote, byte for byte.
static bool Holds(const char* keyName, const char* valu, const char* data)
{
    char now[KEEP_MAX + 1];
    DWORD type, len = KEEP_MAX;
    if (RegGet(keyName, "c").GetRaw(valu, &type, now, &len) != RegGet::FOUND ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    now[len] = 0;
    unsigned i = 0;
    while (data[i] && now[i] == data[i])
        ++i;
    return !data[i] && !now[i];
}

// Takes away the keys that the install created on the way to keyName, deepest
// first, while they are empty.
static void RemoveCreated(const char* keyName, unsigned depth)
{
    char k[PATHBUF];
    StrCopy(k, keyName);
    for (; depth && RegRemoveIfEmpty("c", k); --depth) {
        unsigned n = StrLen(k);
        while (n && k[n - 1] != '\\')
            --n;
        k[n ? n - 1 : 0] = 0;
    }
}

void Previous::Undo(const RegWrite& w)
{
    char name[2 * PATHBUF];
    unsigned char rec[RECORD_MAX];
    DWORD type, len = sizeof(rec);
    RecordName(name, w.key, w.value);
    if (RegGet(PREVIOUS_KEY).GetRaw(name, &type, rec, &len) != RegGet::FOUND || !len)
        return;
    bool ours = Holds(w.key, w.value, w.data);
    DBGF("undo %s (%c) ours=%c", name, rec[0], ours ? 'y' : 'n');
    if (w.owned) {
        // Ours by its name, unless another program has put its own command there.
        char root[PATHBUF];
        MemCopy(root, w.key, w.owned);
        root[w.owned] = 0;
        DWORD t, l = 0;
        if (ours || RegGet(w.key, "c").GetRaw(w.value, &t, 0, &l) == RegGet::ABSENT)
            RegRemove("c", root);
    } else if (ours && rec[0] == 'v' && len >= 5) {
        DWORD was = rec[1] | (rec[2] << 8) | (rec[3] << 16) | ((DWORD)rec[4] << 24);
        RegPut("c", w.key).PutRaw(w.value, was, rec + 5, len - 5);
    } else if (ours && rec[0] == 'a') {
        RegRemoveValue("c", w.key, w.value);
    }
    if (rec[0] == 'a' && len >= 2)
        RemoveCreated(w.key, rec[1]);
}
