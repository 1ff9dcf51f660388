// Reading whole files: their size and their bytes, each opened and closed
// within one call. Apart from the writing side, which a program may use alone.
#include "sys/File.h"

#include "diag/Diag.h"

unsigned File::Size(const char* name)
{
    File f;
    if (!f.Open(name, "r"))
        return 0;
    DWORD size = GetFileSize(f.handle, 0);
    CloseHandle(f.handle);
    return size;
}

unsigned File::Get(const char* name, void* buf, unsigned cap)
{
    File f;
    if (!f.Open(name, "r"))
        return 0;
    DWORD got = 0;
    if (!ReadFile(f.handle, buf, cap, &got, 0))
        Err("File::Get  ReadFile", 99);
    CloseHandle(f.handle);
    return got;
}
