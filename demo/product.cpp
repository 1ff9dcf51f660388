// A stand-in program of the product: it names itself and its command line.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#ifndef PROGRAM_NAME
#define PROGRAM_NAME "Tunewrangler"
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char text[1200];
    wsprintfA(text, "%s (stand-in)\r\n\r\nCommand line:\r\n%s", PROGRAM_NAME, GetCommandLineA());
    MessageBoxA(0, text, PROGRAM_NAME, MB_OK | MB_ICONINFORMATION);
    return 0;
}
