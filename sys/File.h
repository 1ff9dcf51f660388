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
    // opened, when given, tells an empty member written from one not created,
    // and makes a failed write the caller's to handle: the count falls short
    // and the last error says why. Without it a failed write is fatal. flush:
    // the bytes are on the disk when it returns (a failed flush writes 0; give
    // opened with it, so that the caller handles that).
    static unsigned Put(const char* name, const void* data, unsigned len, bool* opened = 0,
                        bool flush = false);
    // Makes every missing folder of path, top down, counting them in made. A
    // folder that cannot be made is fatal; when made is given, what was made
    // is taken away again and the system's error returned instead (0: done).
    static unsigned long PathMake(const char* path, unsigned* made = 0);
    // Removes the made deepest folders of path, when empty.
    static void PathUnmake(const char* path, unsigned made);
    static void Link(const char* lnk, const char* target, const char* workDir);

private:
    HANDLE handle;
};

unsigned RunWait(const char* cmdLine);
char* ExePath(char* buf260);
