// Whole-file operations: every file is opened and closed within one call.
#include "sys/File.h"

#include "diag/Diag.h"
#include "sys/Str.h"

// Operations

bool File::Open(const char* name, const char* mode)
{
    if (mode[0] == 'r') {
        handle = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, 0);
        return handle != INVALID_HANDLE_VALUE;
    }
    handle = CreateFileA(name, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, 0);
    if (handle != INVALID_HANDLE_VALUE)
        return true;
    // Not fatal: the caller sees 0 written (a file held open by a running
    // program) and, in the last error, why.
    DWORD code = GetLastError();
    char text[PATHBUF];
    DBGF("Couldn't File::Open('%s','w')  %s", name, SysText(code, text));
    SetLastError(code);
    return false;
}

unsigned File::Put(const char* name, const void* data, unsigned len, bool* opened, bool flush)
{
    char dir[PATHBUF];
    StrCopy(dir, name);
    File::PathMake(PathUp(dir));
    File f;
    bool ok = f.Open(name, "w");
    if (opened)
        *opened = ok;
    if (!ok)
        return 0;
    DWORD wrote = 0;
    if (!WriteFile(f.handle, data, len, &wrote, 0) && !opened)
        Err("File::Put  WriteFile", 99);
#ifndef BENCH_WITHOUT_FLUSH // the benchmark's build that times what flushing costs
    // A full disk may refuse the bytes only now: a short count, for the
    // caller's box, as for a failed write.
    if (flush && wrote == len && !FlushFileBuffers(f.handle))
        wrote = 0;
#else
    (void)flush;
#endif
    DWORD code = GetLastError(); // a full disk: the caller says so
    CloseHandle(f.handle);
    SetLastError(code);
    return wrote;
}

// Implementation

// Climb to the deepest directory that exists; W is cut in place.
static void Climb(char* w, const char* path)
{
    for (;;) {
        unsigned n = StrLen(w);
        if (n && w[n - 1] == ':')
            return; // a drive is taken to exist
        DWORD attr = GetFileAttributesA(w);
        if (attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY))
            return;
        // Back to just after the last "\" or ":"; a W ending in "\" keeps its length.
        while (n && w[n - 1] != '\\' && w[n - 1] != ':')
            --n;
        w[n] = 0;
        if (!n)
            Die("File::PathMake  couldn't get path root", path, 99, true);
        if (w[n - 1] == '\\')
            w[n - 1] = 0;
    }
}

unsigned long File::PathMake(const char* path, unsigned* made)
{
    char w[PATHBUF];
    unsigned count = 0;
    StrCopy(w, path);
    Climb(w, path);
    unsigned len = StrLen(path);
    for (;;) {
        unsigned n = StrLen(w);
        w[n] = path[n];
        w[++n] = 0;
        if (n >= len)
            break;
        while (path[n] && path[n] != '\\') {
            w[n] = path[n];
            w[++n] = 0;
        }
        if (!CreateDirectoryA(w, 0)) {
            if (!made)
                Die("File::PathMake  CreateDirectory died", w, 99, true);
            // A read-only drive, no rights, a device not ready: the user's to mend.
            DWORD code = GetLastError();
            PathUnmake(PathUp(w), count);
            *made = 0;
            return code;
        }
        ++count;
    }
    if (made)
        *made = count;
    return 0;
}

void File::PathUnmake(const char* path, unsigned made)
{
    char w[PATHBUF];
    StrCopy(w, path);
    for (; made; --made, PathUp(w))
        RemoveDirectoryA(w);
}

unsigned RunWait(const char* cmdLine)
{
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    char cmd[2 * PATHBUF]; // CreateProcessA may write into its command line
    for (unsigned i = 0; i < sizeof(si); ++i)
        ((char*)&si)[i] = 0;
    si.cb = sizeof(STARTUPINFOA);
    pi.hProcess = pi.hThread = 0;
    if (StrLen(cmdLine) >= sizeof(cmd))
        Die(cmdLine, "command line too long", 99, true);
    StrCopy(cmd, cmdLine);
    if (!CreateProcessA(0, cmd, 0, 0, FALSE, CREATE_NO_WINDOW, 0, 0, &si, &pi))
        Err(cmdLine, 99);
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

char* ExePath(char* buf)
{
    char path[PATHBUF];
    path[0] = 0;
    GetModuleFileNameA(0, path, PATHBUF);
    path[PATHBUF - 1] = 0; // a truncated name is not terminated on older systems
    StrCopy(buf, path);
    return buf;
}
