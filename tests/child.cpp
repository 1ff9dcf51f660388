// A child process for the tests of what ends a process: it calls one
// operation of the system, chosen by its first argument.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <objbase.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "app/Application.h"
#include "diag/CrashDump.h"
#include "diag/Diag.h"
#include "setup/DeGlom.h"
#include "sys/File.h"
#include "sys/Reg.h"

static volatile LONG traced;

static DWORD WINAPI TraceAndPark(LPVOID)
{
    DBG("thread here");
    InterlockedIncrement(&traced);
    Sleep(INFINITE);
    return 0;
}

static const char* Arg(int argc, char** argv, int i)
{
    if (i >= argc || !strcmp(argv[i], "-null"))
        return 0;
    return argv[i];
}

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    const char* mode = argv[1];
    const char* a = Arg(argc, argv, 2);
    const char* b = Arg(argc, argv, 3);
    if (!strcmp(mode, "exit"))
        return atoi(a);
    if (!strcmp(mode, "die"))
        Die(a, b, 99, true);
    if (!strcmp(mode, "err")) {
        SetLastError(strtoul(a, 0, 0));
        Err(b, 99);
    }
    if (!strcmp(mode, "pathmake"))
        File::PathMake(a);
    if (!strcmp(mode, "put"))
        return (int)File::Put(a, "x", 1);
    if (!strcmp(mode, "threads")) {
        // Every thread traces once and stays, so that each holds its slot.
        int n = atoi(a);
        for (int i = 0; i < n; ++i)
            CloseHandle(CreateThread(0, 0, TraceAndPark, 0, 0, 0));
        // Until every thread has traced (a refused one ends the process first).
        for (int waited = 0; traced < n && waited < 30000; waited += 10)
            Sleep(10);
        return traced == n ? 0 : 4;
    }
    if (!strcmp(mode, "trace")) {
        for (int i = 2; i < argc; ++i)
            DBG(argv[i]);
        return 0;
    }
    if (!strcmp(mode, "crash")) {
        SetUnhandledExceptionFilter(CrashDump);
        volatile int* nowhere = 0;
        *nowhere = 1;
    }
    if (!strcmp(mode, "deglom")) {
        DeGlom::Verify();
        DeGlom glom(a, true);
        printf("failed=%u first=%s\n", glom.failed, glom.firstFailed);
        return (int)glom.failed;
    }
    if (!strcmp(mode, "dialogs")) {
        for (INT_PTR i = 1, n = atoi(a); i <= n; ++i)
            Application::DlgIns((HWND)i);
        return 0;
    }
    if (!strcmp(mode, "regget")) {
        char buf[260];
        RegGet key(a);
        printf("[%s]\n", key.Get(b, buf));
        return 0;
    }
    if (!strcmp(mode, "regput")) {
        RegPut key(a, b);
        key.Put(Arg(argc, argv, 4), Arg(argc, argv, 5));
        return 0;
    }
    if (!strcmp(mode, "link")) {
        CoInitialize(0);
        File::Link(a, b, Arg(argc, argv, 4));
        return 0;
    }
    return 3;
}
