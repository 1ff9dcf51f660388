// Scoped registry keys: RegPut writes string values, RegGet reads one.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class RegPut {
public:
    RegPut(const char* root, const char* keyName);
    ~RegPut();
    void Put(const char* valu, const char* buf);

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
    explicit RegGet(const char* keyName); // under HKEY_LOCAL_MACHINE
    ~RegGet();
    char* Get(const char* valueName, char* buf260);

private:
    HKEY key; // null when the key could not be opened
    RegGet(const RegGet&);
    void operator=(const RegGet&);
};
