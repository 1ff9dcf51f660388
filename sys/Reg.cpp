// Scoped registry keys: every failure that matters ends the process.
#include "sys/Reg.h"

#include "diag/Diag.h"
#include "sys/Format.h"
#include "sys/Str.h"

HKEY RegRoot(const char* root)
{
    return root[0] == 'u'   ? HKEY_CURRENT_USER
           : root[0] == 'c' ? HKEY_CLASSES_ROOT
                            : HKEY_LOCAL_MACHINE;
}

// A registry call that failed: fatal, with the system's text for its code.
void RegDied(const char* what, const char* keyName, LONG rc)
{
    char text[PATHBUF], msg[PATHBUF];
    SysText(rc, text);
    StrFormat(msg, sizeof(msg), "%s  keyName=%s", what, keyName);
    Die(msg, text, 99, true);
}

// RegPut

RegPut::RegPut(const char* root, const char* keyName) : key(0)
{
    LONG rc = RegCreateKeyExA(RegRoot(root), keyName, 0, 0, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                              0, &key, 0);
    if (rc != ERROR_SUCCESS) {
        char text[PATHBUF], msg[PATHBUF];
        SysText(rc, text);
        StrFormat(msg, sizeof(msg), "RegPut::RegPut  RegCreateKeyEx died  u=%s keyName=%s", root,
                  keyName);
        Die(msg, text, 99, true);
    }
}

RegPut::~RegPut()
{
    LONG rc = RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        char text[PATHBUF];
        Die("RegPut::~RegPut  RegCloseKey", SysText(rc, text), 99, true);
    }
}

DWORD RegPut::TypeOf(const char* data)
{
    for (unsigned i = 0; data[i]; ++i) {
        if (data[i] != '%')
            continue;
        for (unsigned k = i + 1; data[k] && data[k] != ' '; ++k)
            if (data[k] == '%' && k >= i + 2)
                return REG_EXPAND_SZ;
    }
    return REG_SZ;
}

void RegPut::Put(const char* valu, const char* buf)
{
    LONG rc = RegSetValueExA(key, valu, 0, TypeOf(buf), (const BYTE*)buf, StrLen(buf) + 1);
    if (rc != ERROR_SUCCESS) {
        char msg[PATHBUF];
        StrFormat(msg, sizeof(msg), "RegPut::Put  RegSetValueEx died  valu=%s buf=%s", valu, buf);
        Die(msg, 0, 99, true);
    }
}

void RegPut::PutDword(const char* valu, DWORD data)
{
    PutRaw(valu, REG_DWORD, &data, sizeof(data));
}

void RegPut::PutRaw(const char* valu, DWORD type, const void* data, DWORD len)
{
    LONG rc = RegSetValueExA(key, valu, 0, type, (const BYTE*)data, len);
    if (rc != ERROR_SUCCESS) {
        char msg[PATHBUF];
        StrFormat(msg, sizeof(msg), "RegPut::PutRaw  RegSetValueEx died  valu=%s type=%d", valu,
                  (int)type);
        Die(msg, 0, 99, true);
    }
}

// Traced, not fatal, when it fails (a full system drive): the values are
// written all the same and reach the disk later; only a power cut meanwhile
// could lose them. The benchmark's build without flushes skips it.
static void FlushKey(HKEY key, const char* who)
{
#ifndef BENCH_WITHOUT_FLUSH
    LONG rc = RegFlushKey(key);
    if (rc != ERROR_SUCCESS) {
        char text[PATHBUF];
        DBGF("%s  %s", who, SysText(rc, text));
    }
#else
    (void)key, (void)who;
#endif
}

void RegPut::Flush()
{
    FlushKey(key, "RegPut::Flush  RegFlushKey");
}

// RegGet

RegGet::RegGet(const char* keyName, const char* root) : key(0)
{
    if (RegOpenKeyExA(RegRoot(root), keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
        key = 0; // a missing key reads as empty strings
}

RegGet::~RegGet()
{
    if (!key)
        return;
    LONG rc = RegCloseKey(key);
    if (rc != ERROR_SUCCESS) {
        char text[PATHBUF];
        Die("RegGet::~RegGet  RegCloseKey", SysText(rc, text), 99, true);
    }
}

void RegGet::Flush()
{
    if (key)
        FlushKey(key, "RegGet::Flush  RegFlushKey");
}

char* RegGet::Get(const char* valueName, char* buf)
{
    buf[0] = 0;
    if (!key)
        return buf;
    DWORD type = 0;
    DWORD size = PATHBUF;
    if (RegQueryValueExA(key, valueName, 0, &type, (BYTE*)buf, &size) != ERROR_SUCCESS) {
        buf[0] = 0;
        return buf;
    }
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        Die("RegGet::Get  RegQueryValueEx  not string!", 0, 99, true);
    // A stored string need not end in NUL: terminate it, and treat one that
    // fills all 260 bytes without a terminator as too long, like a longer one.
    if (size && buf[size - 1] == 0)
        return buf;
    if (size < PATHBUF)
        buf[size] = 0;
    else
        buf[0] = 0;
    return buf;
}

RegGet::Raw RegGet::GetRaw(const char* valueName, DWORD* type, void* buf, DWORD* len)
{
    if (!key)
        return ABSENT;
    LONG rc = RegQueryValueExA(key, valueName, 0, type, (BYTE*)buf, len);
    return rc == ERROR_SUCCESS ? FOUND : rc == ERROR_MORE_DATA ? TOO_BIG : ABSENT;
}
