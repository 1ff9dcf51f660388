// A dbghelp.dll planted beside the installer, as in a downloads folder: it
// leaves a marker file when anything loads it.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD why, LPVOID)
{
    if (why == DLL_PROCESS_ATTACH) {
        HANDLE f = CreateFileA("C:\\planted-dbghelp-loaded.txt", GENERIC_WRITE, 0, 0, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, 0);
        CloseHandle(f);
    }
    return TRUE;
}

// Writes no dump: a dump in the diagnostics folder proves the system's copy ran.
extern "C" __declspec(dllexport) BOOL WINAPI
    MiniDumpWriteDump(void*, DWORD, void*, int, void*, void*, void*)
{
    return TRUE;
}
