// Which process started this one: its file name ("?" once it has ended) and
// its id. The stand-ins (the product's programs, the tests' browser) tell it,
// for the tests to see whose shell started them.
#pragma once
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <tlhelp32.h>

inline DWORD Parent(char* name)
{
    lstrcpyA(name, "?");
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 pe;
    pe.dwSize = sizeof(pe);
    DWORD me = GetCurrentProcessId(), parent = 0;
    for (BOOL more = Process32First(snap, &pe); more; more = Process32Next(snap, &pe))
        if (pe.th32ProcessID == me)
            parent = pe.th32ParentProcessID;
    for (BOOL more = Process32First(snap, &pe); more && parent; more = Process32Next(snap, &pe))
        if (pe.th32ProcessID == parent)
            lstrcpyA(name, pe.szExeFile);
    CloseHandle(snap);
    return parent;
}
