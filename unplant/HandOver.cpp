// A running program cannot delete its own file: a copy in the temp folder
// waits for the original to end, then deletes it and the emptied folder.
#include "unplant/Unplant.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "diag/Diag.h"
#include "sys/File.h"
#include "sys/Format.h"

// The copy is started as: "<copy>" finish <handle of this process> <this program's path>
bool Unplant::HandOver()
{
    char temp[PATHBUF], copy[PATHBUF], cmd[3 * PATHBUF];
    DWORD n = GetTempPathA(PATHBUF, temp);
    if (!n || n >= PATHBUF)
        return false;
    StrFormat(copy, sizeof(copy), "%sUNPLANT-%x.exe", temp, (unsigned)GetCurrentProcessId());
    if (StrLen(copy) + 1 >= PATHBUF || !CopyFileA(self, copy, FALSE))
        return false;
    // The copy inherits a handle to this process: no process id to be reused.
    HANDLE me;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &me,
                         SYNCHRONIZE, TRUE, 0))
        return false;
    StrFormat(cmd, sizeof(cmd), "\"%s\" finish %x %s", copy, (unsigned)(UINT_PTR)me, self);
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    for (unsigned i = 0; i < sizeof(si); ++i)
        ((char*)&si)[i] = 0;
    si.cb = sizeof(si);
    DBGF("hand over: %s", cmd);
    if (!CreateProcessA(0, cmd, 0, 0, TRUE, CREATE_NO_WINDOW, 0, 0, &si, &pi)) {
        DeleteFileA(copy);
        return false;
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

int Unplant::Finish(const char* tail)
{
    unsigned h = 0;
    for (; (*tail >= '0' && *tail <= '9') || (*tail >= 'a' && *tail <= 'f'); ++tail)
        h = h * 16 + (*tail <= '9' ? *tail - '0' : *tail - 'a' + 10);
    while (*tail == ' ')
        ++tail;
    DBGF("{ Unplant::Finish original=%s", tail);
    WaitForSingleObject((HANDLE)(UINT_PTR)h, INFINITE);
    CloseHandle((HANDLE)(UINT_PTR)h);
    // The system may hold the image a moment after the process has ended.
    for (int i = 0; i < 100 && !DeleteFileA(tail) && GetLastError() != ERROR_FILE_NOT_FOUND; ++i)
        Sleep(100);
    char dir[PATHBUF], self[PATHBUF];
    StrCopy(dir, tail);
    RemoveDirectoryA(PathUp(dir)); // only when empty: a user's files keep it
    // This copy in the temp folder goes at the next start of the system; nothing
    // else is ever scheduled so, since a reinstall may meanwhile rewrite it.
    MoveFileExA(ExePath(self), 0, MOVEFILE_DELAY_UNTIL_REBOOT);
    DBG("} Unplant::Finish");
    return UNPLANT_DONE;
}
