// A stand-in program of the product: it names itself, its command line and
// the program that started it (which account's shell, the tests ask).
#include "Parent.h"

#ifndef PROGRAM_NAME
#define PROGRAM_NAME "Tunewrangler"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char text[1200], parent[MAX_PATH];
    DWORD id = Parent(parent);
    wsprintfA(text, "%s (stand-in)\r\n\r\nCommand line:\r\n%s\r\n\r\nStarted by: %s (%lu)",
              PROGRAM_NAME, GetCommandLineA(), parent, id);
    MessageBoxA(0, text, PROGRAM_NAME, MB_OK | MB_ICONINFORMATION);
    return 0;
}
