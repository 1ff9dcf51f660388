// The tests' stand-in for the user's browser: registered for .html pages, it
// writes the page it was given and the program that started it into
// browser.log beside itself, then ends.
#include "demo/Parent.h"

#include <stdio.h>
#include <string.h>

int main(int argc, char** argv)
{
    char parent[MAX_PATH], log[MAX_PATH];
    DWORD id = Parent(parent);
    GetModuleFileNameA(0, log, MAX_PATH - 16);
    strcpy(strrchr(log, '\\') + 1, "browser.log");
    FILE* f = fopen(log, "a");
    if (!f)
        return 1;
    fprintf(f, "page %s started by %s (%lu)\n", argc > 1 ? argv[1] : "", parent, id);
    fclose(f);
    return 0;
}
