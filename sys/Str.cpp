// Byte, string and path routines of a build without a C runtime.
#include "sys/Str.h"

void MemCopy(void* dst, const void* src, unsigned n)
{
    unsigned char* d = (unsigned char*)dst;
    const unsigned char* s = (const unsigned char*)src;
    // Destination inside the source range, after its start: copy from the top
    // down so that no byte is overwritten before it has been read.
    if (d > s && d < s + n) {
        while (n) {
            --n;
            d[n] = s[n];
        }
        return;
    }
    for (unsigned i = 0; i < n; ++i)
        d[i] = s[i];
}

unsigned StrLen(const char* s)
{
    unsigned n = 0;
    while (s[n])
        ++n;
    return n;
}

void StrCopy(char* dst, const char* src)
{
    MemCopy(dst, src, StrLen(src) + 1);
}

char* StrAppend(char* dst, const char* src, unsigned n)
{
    unsigned len = StrLen(dst);
    if (n > len)
        n = len;
    StrCopy(dst + len - n, src);
    return dst;
}

static int Fold(char c)
{
    signed char v = (signed char)c;
    return (v >= 'A' && v <= 'Z') ? v + ('a' - 'A') : v;
}

int StrCompareNI(const char* a, const char* b, unsigned n)
{
    for (unsigned i = 0; i < n; ++i) {
        int fa = Fold(a[i]), fb = Fold(b[i]);
        if (fa != fb)
            return fa - fb;
        if (!a[i])
            return 0;
    }
    return 0;
}

int StrCompareI(const char* a, const char* b)
{
    return StrCompareNI(a, b, 0xFFFFFFFFu);
}

char* StrFind(const char* s, char c)
{
    for (; *s; ++s)
        if (*s == c)
            return (char*)s;
    return 0;
}

char* PathUp(char* path)
{
    unsigned len = StrLen(path);
    if (!len)
        return path;
    // Position 0 is never examined: a leading "\" is not a separator to cut at.
    for (unsigned i = len - 1; i >= 1; --i) {
        if (path[i] == '\\') {
            path[i] = 0;
            return path;
        }
        if (path[i] == ':') {
            path[i + 1] = 0;
            return path;
        }
    }
    path[0] = 0;
    return path;
}

char* PathLast(const char* path, char* out)
{
    char work[PATHBUF];
    unsigned len = StrLen(path);
    if (len >= PATHBUF) // a caller's overlong path: nothing fits the work copy
        len = PATHBUF - 1;
    MemCopy(work, path, len);
    work[len] = 0;
    unsigned d = StrLen(PathUp(work));
    if (d >= len)
        out[0] = 0;
    else if (d == 0)
        StrCopy(out, path);
    else
        StrCopy(out, path + d + 1);
    return out;
}
