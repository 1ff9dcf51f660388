// Scoped registry keys: RegPut writes values, RegGet reads them, and the
// RegRemove functions take keys and values away.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Roots are one-letter strings: "m" HKEY_LOCAL_MACHINE, "c" HKEY_CLASSES_ROOT,
// "u" HKEY_CURRENT_USER.
HKEY RegRoot(const char* root);

class RegPut {
public:
    RegPut(const char* root, const char* keyName);
    ~RegPut();
    void Put(const char* valu, const char* buf);
    void PutDword(const char* valu, DWORD data);
    void PutRaw(const char* valu, DWORD type, const void* data, DWORD len);
    // The key's values on the disk now: the system writes the registry lazily,
    // and a power cut loses what it had not written. A failure is traced only.
    void Flush();

    // REG_EXPAND_SZ when two percent signs hold at least one character and no
    // space between them; REG_SZ otherwise.
    static DWORD TypeOf(const char* data);

private:
    HKEY key;
    RegPut(const RegPut&);
    void operator=(const RegPut&);
};

class RegGet {
public:
    explicit RegGet(const char* keyName, const char* root = "m");
    ~RegGet();
    bool Exists() const { return key != 0; }
    char* Get(const char* valueName, char* buf260);

    // A value as stored, into len bytes at most (len then says how many).
    enum Raw { ABSENT, FOUND, TOO_BIG };
    Raw GetRaw(const char* valueName, DWORD* type, void* buf, DWORD* len);
    // The name of value i, false past the last.
    bool ValueName(unsigned i, char* buf260);
    // No values and no subkeys.
    bool Empty();
    // As RegPut::Flush, for a key written by another (nothing when it is missing).
    void Flush();

private:
    HKEY key; // null when the key could not be opened
    RegGet(const RegGet&);
    void operator=(const RegGet&);
};

// Fatal: what failed, on which key, and the system's text for rc.
void RegDied(const char* what, const char* keyName, LONG rc);

// Each is silent about what is already missing and fatal on any other failure.
void RegRemove(const char* root, const char* keyName); // the key and everything below it
void RegRemoveValue(const char* root, const char* keyName, const char* valu);
// True when the key is gone afterwards: it was missing, or empty and removed.
bool RegRemoveIfEmpty(const char* root, const char* keyName);
