// Bounded formatting into a caller's buffer.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "sys/Format.h"
#include "sys/Str.h"

char* StrFormatV(char* dst, unsigned cap, const char* fmt, va_list args)
{
    char full[1025];
    full[1024] = 0;
    wvsprintfA(full, fmt, args);
    unsigned len = StrLen(full);
    if (len >= cap)
        len = cap - 1;
    MemCopy(dst, full, len);
    dst[len] = 0;
    return dst;
}

char* StrFormat(char* dst, unsigned cap, const char* fmt, ...)
{
    va_list args;
    va_start(args, fmt);
    StrFormatV(dst, cap, fmt, args);
    va_end(args);
    return dst;
}
