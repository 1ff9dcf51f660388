// Whole-file operations: size, read, write, directory chains, shortcuts,
// and running a command line.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

class File {
public:
    File() : handle(INVALID_HANDLE_VALUE) {}

    // Operations
    bool Open(const char* name, const char* mode);
    static unsigned Size(const char* name);
    static unsigned Get(const char* name, void* buf, unsigned cap);
    // opened, when given, tells an empty member written from one not created;
    // when it was not, the last error says why.
    static unsigned Put(const char* name, const void* data, unsigned len, bool* opened = 0);
    static void PathMake(const char* path);
    static void Link(const char* lnk, const char* target, const char* workDir);

private:
    HANDLE handle;
};

unsigned RunWait(const char* cmdLine);
char* ExePath(char* buf260);
