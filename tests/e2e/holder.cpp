// Puts back what Windows does and Wine does not: a program's file stays held
// a moment after its process has ended (the system lets the image go late),
// or a file is held by another program for a while.
//
//   holder FILE PROGRAM start|end MS
//
// Opens FILE at once, sharing reads only, waits for a process whose image is
// PROGRAM (a full Windows path) to start, and with "end" for it to end too;
// then keeps FILE MS milliseconds more and closes it. Prints what it did;
// exit 0 only when it saw the process and held the file throughout, 1 when
// the process never came within two minutes.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

// A process of PROGRAM, opened to wait for it, or 0.
static HANDLE Find(const char* program)
{
    const char* base = strrchr(program, '\\') ? strrchr(program, '\\') + 1 : program;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof(pe);
    HANDLE found = 0;
    for (BOOL more = Process32First(snap, &pe); more && !found; more = Process32Next(snap, &pe)) {
        if (_stricmp(pe.szExeFile, base))
            continue;
        HANDLE p =
            OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID);
        char image[MAX_PATH];
        DWORD n = sizeof(image);
        if (p && QueryFullProcessImageNameA(p, 0, image, &n) && !_stricmp(image, program))
            found = p;
        else if (p)
            CloseHandle(p);
    }
    CloseHandle(snap);
    return found;
}

int main(int argc, char** argv)
{
    if (argc != 5) {
        printf("usage: holder FILE PROGRAM start|end MS\n");
        return 2;
    }
    const char *file = argv[1], *program = argv[2];
    bool toEnd = !strcmp(argv[3], "end");
    DWORD ms = strtoul(argv[4], 0, 0);
    HANDLE held = CreateFileA(file, GENERIC_READ, FILE_SHARE_READ, 0, OPEN_EXISTING, 0, 0);
    if (held == INVALID_HANDLE_VALUE) {
        printf("holder: cannot open %s (%lu)\n", file, GetLastError());
        return 1;
    }
    printf("holder: holding %s\n", file);
    fflush(stdout);
    HANDLE p = 0;
    for (DWORD t0 = GetTickCount(); !(p = Find(program)) && GetTickCount() - t0 < 120000;)
        Sleep(5);
    if (!p) {
        printf("holder: %s never started\n", program);
        return 1;
    }
    printf("holder: %s started\n", program);
    if (toEnd) {
        WaitForSingleObject(p, INFINITE);
        printf("holder: %s ended\n", program);
    }
    fflush(stdout);
    Sleep(ms);
    CloseHandle(held);
    CloseHandle(p);
    printf("holder: released %s %lu ms after the %s\n", file, ms, toEnd ? "end" : "start");
    return 0;
}
