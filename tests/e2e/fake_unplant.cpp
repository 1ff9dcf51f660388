// An earlier installation's uninstaller, for the tests: it notes its command
// line in unplant.log beside itself, takes a while, then notes its end.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <stdio.h>
#include <string.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH];
    GetModuleFileNameA(0, log, MAX_PATH);
    strcpy(strrchr(log, '\\') + 1, "unplant.log");
    FILE* f = fopen(log, "ab");
    fprintf(f, "started: %s\n", GetCommandLineA());
    fclose(f);
    Sleep(1500);
    f = fopen(log, "ab");
    fprintf(f, "ended\n");
    fclose(f);
    return 0;
}
