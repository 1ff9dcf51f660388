// The unhandled-exception filter: a minidump, then the error report.
#include "diag/CrashDump.h"

#include <dbghelp.h>

#include "diag/Diag.h"
#include "sys/File.h"
#include "sys/Str.h"

typedef BOOL(WINAPI* WriteDumpFn)(HANDLE, DWORD, HANDLE, MINIDUMP_TYPE,
                                  PMINIDUMP_EXCEPTION_INFORMATION,
                                  PMINIDUMP_USER_STREAM_INFORMATION,
                                  PMINIDUMP_CALLBACK_INFORMATION);

LONG WINAPI CrashDump(EXCEPTION_POINTERS* info)
{
    char path[PATHBUF];
    char exeDir[PATHBUF];
    inCrashHandler = true;
    // Only the system's copy: the program's own folder is a downloads folder
    // where anyone may have left a dbghelp.dll, and this process is elevated.
    UINT n = GetSystemDirectoryA(path, PATHBUF - 12);
    HMODULE lib = 0;
    if (n - 1 < PATHBUF - 13) // 0 (a failure) wraps round: no library
        lib = LoadLibraryA(StrAppend(path, "\\dbghelp.dll"));
    if (!lib)
        Die("gotta BUG :(  but can't load my dbghelp.dll", path, 99, true);
    WriteDumpFn write = (WriteDumpFn)(void*)GetProcAddress(lib, "MiniDumpWriteDump");
    if (!write)
        Die("gotta BUG :(", "but can't find writedump in dbghelp.dll", 99, true);

    // The diagnostics folder, made when missing (a fresh machine has none);
    // "c:" when there is none to be had.
    EtcDir(path);
    PathUp(ExePath(exeDir));
    if (!path[0] || !StrCompareI(path, exeDir))
        StrCopy(path, "c:");
    else
        File::PathMake(path);
    StrAppend(path, "\\rats.dmp");
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, 0, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, 0);
    if (file == INVALID_HANDLE_VALUE)
        Die("gotta BUG :(  but can't write .dmp file", path, 99, true);

    MINIDUMP_EXCEPTION_INFORMATION mei;
    mei.ThreadId = GetCurrentThreadId();
    mei.ExceptionPointers = info;
    mei.ClientPointers = FALSE;
    write(GetCurrentProcess(), GetCurrentProcessId(), file, MiniDumpNormal, &mei, 0, 0);
    CloseHandle(file);
    Die("Gotta BUG :(   Pleeease send this file to Zavik:", path, 99, true);
    return EXCEPTION_EXECUTE_HANDLER;
}
