// A running program cannot delete its own file: a copy of it, in a folder of
// its own, waits for the original to end, then deletes it and the emptied
// install folder.
#include "unplant/Unplant.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "diag/Diag.h"
#include "sys/File.h"
#include "sys/Format.h"
#include "footprint/Footprint.h"
#include "sys/Reg.h"
#include "unplant/HandOverFolder.h"

// The copy runs with this program's rights, an administrator's: whoever could
// swap its file, plant one of its name, or move its folder between the copy
// and the start would run their own code elevated. Any program of the user
// can write the user's temp folder, so the copy goes where they cannot: a new
// folder under the system's temp folder (Windows\Temp lets users create, not
// rename or delete what others made there), named from the system's random
// source, made fresh (a name that exists is drawn again, never reused), with
// a DACL for SYSTEM and Administrators only. From the copy until the child has
// started, the folder and the file are held open sharing neither write nor
// delete, so they cannot be changed, renamed or replaced even where DACLs are
// not enforced. The child runs from that folder, not from the install folder
// it is to remove.
//
// The copy is started as: "<copy>" finish <handle of this process> <this program's path>
bool Unplant::HandOver()
{
    char base[PATHBUF], name[32], copy[PATHBUF], cmd[3 * PATHBUF];
    UINT n = GetWindowsDirectoryA(base, PATHBUF);
    if (!n || n + 40 >= PATHBUF)
        return false;
    StrAppend(base, "\\Temp");
    HandOverFolder folder;
    for (int tries = 0; !folder.Make(base, HandOverFolder::RandomName(name));)
        if (++tries == 8)
            return false;
    StrFormat(copy, sizeof(copy), "%s\\" UNPLANT_EXE, folder.path);
    HANDLE held = INVALID_HANDLE_VALUE, me = 0;
    if (CopyFileA(self, copy, TRUE))
        held = CreateFileA(copy, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
    // The copy inherits a handle to this process: no process id to be reused.
    bool started = held != INVALID_HANDLE_VALUE &&
                   DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(),
                                   &me, SYNCHRONIZE, TRUE, 0) &&
                   Start(copy,
                         StrFormat(cmd, sizeof(cmd), "\"%s\" finish %x %s", copy,
                                   (unsigned)(UINT_PTR)me, self),
                         folder.path);
    if (held != INVALID_HANDLE_VALUE)
        CloseHandle(held);
    if (!started) {
        DeleteFileA(copy);
        folder.Drop();
    }
    return started;
}

// The program at exe, by that path alone, with inherited handles.
bool Unplant::Start(const char* exe, char* cmd, const char* cwd)
{
    STARTUPINFOA si;
    PROCESS_INFORMATION pi;
    for (unsigned i = 0; i < sizeof(si); ++i)
        ((char*)&si)[i] = 0;
    si.cb = sizeof(si);
    DBGF("hand over: %s", cmd);
    if (!CreateProcessA(exe, cmd, 0, 0, TRUE, CREATE_NO_WINDOW, 0, cwd, &si, &pi))
        return false;
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
    bool gone = false;
    for (int i = 0;
         i < 100 && !(gone = DeleteFileA(tail) || GetLastError() == ERROR_FILE_NOT_FOUND); ++i)
        Sleep(100);
    char dir[PATHBUF], self[PATHBUF];
    StrCopy(dir, tail);
    RemoveDirectoryA(PathUp(dir)); // only when empty: a user's files keep it
    // The entry last: while the uninstaller is there, it is listed.
    if (gone)
        RegRemove("m", UNINSTALL_KEY);
    // This copy and its folder go at the next start of the system, the file
    // first; nothing else is ever scheduled so, since a reinstall may
    // meanwhile rewrite it.
    MoveFileExA(ExePath(self), 0, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExA(PathUp(self), 0, MOVEFILE_DELAY_UNTIL_REBOOT);
    DBG("} Unplant::Finish");
    return UNPLANT_DONE;
}
